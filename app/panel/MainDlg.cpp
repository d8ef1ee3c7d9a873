#include "MainDlg.h"

#include "ElidedText.h"
#include "MainDlgForm.h"
#include "PanelFont.h"
#include "PanelPlacement.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/ModuleText.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QWindow>

namespace {

const QString kFirmwarePrefix = QStringLiteral("Firmware Version : ");
const QString kSoftwarePrefix = QStringLiteral("Software Version : ");
const QString kRightToLeftMark = QStringLiteral("\u200F");
// Entry of the panel status texts: the further functions' menu button.
constexpr int kTextMore = 8;

// Entry numbers of the language table (T1 is textT(0), and so on).
enum TextT { T2 = 1, T5 = 4, T6 = 5, T11 = 10 };
enum TextC {
    C1 = 0,
    C4 = 3,
    C15 = 14,
    C16 = 15,
    C17 = 16,
    C18 = 17,
    C19 = 18,
    C20 = 19,
    C21 = 20,
    C22 = 21,
    C23 = 22,
    C24 = 23,
    C25 = 24,
    C26 = 25,
    C27 = 26,
    C30 = 29,
    C31 = 30,
    C32 = 31,
    C33 = 32,
};
enum TextM { M9 = 8, M10 = 9, M11 = 10, M12 = 11, M13 = 12, M21 = 20 };

// A value the module reported, fit for one line of the status: no control characters.
QString printable(const QString& moduleText) {
    const QString out = printableModuleText(moduleText);
    return out.isEmpty() ? QStringLiteral("\u2026") : out;
}

int scaled(int designValue, double ratio) {
    return static_cast<int>(designValue * ratio);
}

double primaryScreenDpiRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? KqUtils::dpiRatioOf(screen->geometry()) : 1.0;
}

// The banner for a label of the given size: one picture pixel per screen pixel, drawn down from
// the 2x picture rather than enlarged from the 1x one.
QPixmap sharpBanner(const QSize& size, qreal pixelRatio) {
    QImage picture(QStringLiteral(":/TivoraRes/vis@2x"));
    const QSize pixels = (QSizeF(size) * pixelRatio).toSize();
    if (picture.size() != pixels)
        picture = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(pixelRatio);
    return QPixmap::fromImage(picture);
}

// The lines go in through the cursor so that every paragraph takes the fixed line height and
// the justified alignment.
void writeInfo(QTextEdit* edit, const QStringList& lines, double dpiRatio,
               Qt::LayoutDirection direction) {
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::Start);
    QTextBlockFormat format;
    format.setLineHeight(scaled(20, dpiRatio), QTextBlockFormat::FixedHeight);
    format.setAlignment(Qt::AlignJustify);
    // Paragraphs that open with the product's Latin name must still read right to left.
    format.setLayoutDirection(direction);
    cursor.setBlockFormat(format);
    cursor.insertText(lines.join(QLatin1Char('\n')));
}

// The toolkit mirrors what layouts place, not fixed geometry: the groups' children are
// placed by hand, so a change of direction flips them within their group.
void mirrorChildren(QWidget* group) {
    for (QWidget* w : group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->move(group->width() - w->x() - w->width(), w->y());
}

} // namespace

MainDlg::MainDlg(QWidget* parent, LanguageTable* pLanguage)
    : QDialog(parent), m_pUi(std::make_unique<MainDlgForm>()), m_pLanguage(pLanguage) {
    qRegisterMetaType<eLens>("eLens");
    setObjectName(QStringLiteral("MainDlg"));
    // The panel mirrors its groups itself; the application's direction would mirror the rest.
    setLayoutDirection(Qt::LeftToRight);
    m_pUi->setupUi(this);
    QMetaObject::connectSlotsByName(this);

    qCDebug(lcApp).noquote() << QString::asprintf("windowFlags = %x", unsigned(windowFlags()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    qCDebug(lcApp).noquote() << QString::asprintf("windowFlags = %x", unsigned(windowFlags()));

    m_pUi->label->setPixmap(QPixmap(QStringLiteral(":/TivoraRes/vis")));

    m_pFindScreen = new QAction(this);
    m_pFindScreen->setObjectName(QStringLiteral("actionFindScreen"));
    m_pFindScreen->setEnabled(false);
    connect(m_pFindScreen, &QAction::triggered, this, &MainDlg::sigFindScreen);
    m_pMoreMenu = new QMenu(this);
    m_pUi->toolMore->setMenu(m_pMoreMenu);
    connect(m_pMoreMenu, &QMenu::aboutToShow, this, [this] {
        m_pMoreMenu->clear();
        fillContextMenu(*m_pMoreMenu);
    });

    const int languageIndex = m_pLanguage->languageIndex();
    if (languageIndex != kKoreanLanguageIndex)
        qCDebug(lcApp) << "test";
    setFont(panelFont(languageIndex));
    setFixedSize(size());

    m_pUi->labelFWVersion->setText(kFirmwarePrefix);
    m_pUi->labelSWVersion->setText(kSoftwarePrefix + QCoreApplication::applicationVersion());

    m_dpiRatio = primaryScreenDpiRatio();
    qCDebug(lcApp) << "m_dpiRatio =" << m_dpiRatio;
    setFixedSize(scaled(width(), m_dpiRatio), scaled(height(), m_dpiRatio));
    m_pUi->panelContent->setFixedSize(size());

    ScaleWidgets();
    StoreCalibButtonPos();
    ShowCalibButton(LensNone);
    m_bRefreshing = false;
}

MainDlg::~MainDlg() = default;

QList<QWidget*> MainDlg::panelWidgets() const {
    const QWidget* content = m_pUi->panelContent;
    QList<QWidget*> widgets =
        content->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QGroupBox* group :
         content->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly))
        widgets += group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return widgets;
}

void MainDlg::ScaleWidgets() {
    for (QWidget* w : panelWidgets()) {
        const QRect g = w->geometry();
        w->setGeometry(scaled(g.x(), m_dpiRatio), scaled(g.y(), m_dpiRatio),
                       scaled(g.width(), m_dpiRatio), scaled(g.height(), m_dpiRatio));
    }
    // Scaled by the panel, the banner fills its label; scaled by the toolkit alone it keeps its
    // design size.
    QLabel* banner = m_pUi->label;
    const qreal pixelRatio = banner->devicePixelRatioF();
    if (m_dpiRatio > 1.0 || pixelRatio > 1.0) {
        const QSize size =
            m_dpiRatio > 1.0 ? banner->size() : banner->pixmap(Qt::ReturnByValue).size();
        banner->setPixmap(sharpBanner(size, pixelRatio));
    }
}

void MainDlg::StoreCalibButtonPos() {
    const MainDlgForm& ui = *m_pUi;
    m_ptAuto = ui.pushAutoCalib->pos();
    m_ptSemiAuto = ui.checkSemiAutoCalib->pos();
    m_ptManual = ui.pushManualCalib->pos();
    m_ptAutoAlt = QPoint(m_ptAuto.x() + scaled(60, m_dpiRatio), m_ptAuto.y());
    // Auto and Manual then stand symmetrically in the group.
    m_ptManualAlt = QPoint(ui.groupCalib->width() - m_ptAutoAlt.x() - ui.pushManualCalib->width(),
                           m_ptManual.y());
    qCDebug(lcApp) << "StoreCalibButtonPos(): designed" << m_ptAuto << m_ptSemiAuto << m_ptManual;
    qCDebug(lcApp) << "StoreCalibButtonPos(): alternative" << m_ptAutoAlt << m_ptManualAlt;
}

void MainDlg::ShowCalibButton(int lens) {
    const bool automatic = lens >= LensNormalThrow && lens <= LensUltraShortThrow;
    qCDebug(lcApp) << "ShowCalibButton():" << lens << (automatic ? "automatic" : "alternative");
    MainDlgForm& ui = *m_pUi;
    // The stored positions are left-to-right ones.
    const auto place = [&ui](QWidget* w, QPoint p) {
        if (ui.groupCalib->isRightToLeft())
            p.setX(ui.groupCalib->width() - p.x() - w->width());
        w->move(p);
    };
    ui.pushAutoCalib->hide();
    ui.pushManualCalib->hide();
    ui.checkSemiAutoCalib->hide();
    if (automatic) {
        place(ui.pushAutoCalib, m_ptAuto);
        place(ui.checkSemiAutoCalib, m_ptSemiAuto);
        place(ui.pushManualCalib, m_ptManual);
        ui.checkSemiAutoCalib->show();
    } else {
        place(ui.pushAutoCalib, m_ptAutoAlt);
        place(ui.pushManualCalib, m_ptManualAlt);
    }
    ui.pushAutoCalib->show();
    ui.pushManualCalib->show();
}

void MainDlg::SetLanguageText() {
    m_bRefreshing = true;
    MainDlgForm& ui = *m_pUi;
    ui.textEditInfo1->clear();
    ui.textEditInfo3->clear();
    ui.comboLens->clear();
    ui.comboLanguage->clear();

    for (QWidget* w : panelWidgets())
        w->setFont(font());

    const LanguageTable& text = *m_pLanguage;
    // A label reads its text's own direction, not the widget's: the mark makes captions that
    // open with a Latin word read right to left too.
    const QString rtlMark = text.isRightToLeft() ? kRightToLeftMark : QString();
    setWindowTitle(text.textC(C1));
    ui.groupBasic->setTitle(text.textC(C4));
    ui.checkCeiling->setText(text.textC(C19));
    ui.checkRear->setText(text.textC(C20));
    ui.groupMode->setTitle(QStringLiteral("Mode"));
    ui.radioPen->setText(text.textT(T5));
    ui.radioFinger->setText(text.textT(T6));
    ui.groupLanguage->setTitle(text.textC(C22));
    ui.labelUse->setText(rtlMark + text.textC(C23));
    ui.labelSel_1->setText(rtlMark + text.textC(C24));
    ui.groupLens->setTitle(text.textC(C25));
    ui.labelSel_2->setText(rtlMark + text.textC(C24));
    ui.groupPen->setTitle(text.textC(C31));
    ui.radioNormalPen->setText(text.textC(C32));
    ui.radioPlusPen->setText(text.textC(C33));
    ui.groupAdjust->setTitle(text.textC(C26));
    ui.pushView->setText(text.textT(T2));
    ui.groupCalib->setTitle(text.textC(C27));
    ui.labelInfo3->setText(rtlMark + text.textM(M11));
    ui.pushAutoCalib->setText(text.textC(C16));
    ui.checkSemiAutoCalib->setText(text.textC(C30));
    ui.pushManualCalib->setText(text.textC(C15));
    ui.pushClose->setText(text.textT(T11));
    m_pFindScreen->setText(text.textSC(0));
    ui.toolMore->setText(text.textPS(kTextMore));
    explainDisabledControls();

    fillLensBox();
    fillLanguageBox();
    ui.labelUseL->setText(rtlMark + text.textL(text.languageIndex()));
    fillInfoTexts();
    showConnectionStatus();
    applyDirection();
    m_bRefreshing = false;
}

void MainDlg::SetConnectionStatus(ConnectionStatus status, const QString& serial) {
    m_eStatus = status;
    m_sSerial = serial;
    showConnectionStatus();
}

void MainDlg::showConnectionStatus() {
    const LanguageTable& text = *m_pLanguage;
    QString line = text.textPS(int(m_eStatus));
    if (m_eStatus == ConnectionStatus::Connected)
        line = line.arg(printable(m_sSerial), printable(m_sFirmware));
    QLabel* label = m_pUi->labelStatus;
    label->setLayoutDirection(textDirection());
    label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    setElidedText(label, line);
}

void MainDlg::fillLensBox() {
    const LanguageTable& text = *m_pLanguage;
    QComboBox* box = m_pUi->comboLens;
    box->addItem(QStringLiteral("-- ") + text.textC(C24) + QStringLiteral(" --"), LensNone);
    box->addItem(text.textC(C17), LensNormalThrow);
    box->addItem(text.textC(C21), LensShortThrow);
    box->addItem(text.textC(C18), LensUltraShortThrow);
    box->setCurrentIndex(m_nLensIndex);
}

void MainDlg::fillLanguageBox() {
    const LanguageTable& text = *m_pLanguage;
    QComboBox* box = m_pUi->comboLanguage;
    box->addItem(QStringLiteral("-- ") + text.textC(C24) + QStringLiteral(" --"));
    for (int i = 0; i < LanguageTable::kLanguageCount; ++i)
        box->addItem(text.textL(i));
    m_nLangComboIndex = text.languageIndex() + 1;
    box->setCurrentIndex(m_nLangComboIndex);
}

void MainDlg::fillInfoTexts() {
    const LanguageTable& text = *m_pLanguage;
    const Qt::LayoutDirection direction = textDirection();
    writeInfo(m_pUi->textEditInfo1, {text.textM(M9), text.textM(M10)}, m_dpiRatio, direction);
    // Visibility within the panel, so that the text is right before the panel is first shown.
    QStringList calib = {text.textM(M13)};
    if (m_pUi->checkSemiAutoCalib->isVisibleTo(this))
        calib << text.textM(M21);
    calib << text.textM(M12);
    writeInfo(m_pUi->textEditInfo3, calib, m_dpiRatio, direction);
}

Qt::LayoutDirection MainDlg::textDirection() const {
    return m_pLanguage->isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
}

void MainDlg::applyDirection() {
    const Qt::LayoutDirection direction = textDirection();
    const MainDlgForm& ui = *m_pUi;
    for (QGroupBox* group : {ui.groupMode, ui.groupBasic, ui.groupLanguage, ui.groupAdjust,
                             ui.groupCalib, ui.groupLens, ui.groupPen}) {
        if (group->layoutDirection() == direction)
            continue;
        mirrorChildren(group);
        group->setLayoutDirection(direction);
    }
}

void MainDlg::setCalibControlsEnabled(bool enable) {
    m_pUi->pushAutoCalib->setEnabled(enable);
    m_pUi->pushManualCalib->setEnabled(enable);
    m_pUi->checkSemiAutoCalib->setEnabled(enable);
    explainDisabledControls();
}

void MainDlg::on_comboLanguage_currentIndexChanged(int index) {
    if (index <= 0 || index == m_nLangComboIndex)
        return;
    m_pLanguage->loadLanguage(index);
    SetLanguageText();
}

void MainDlg::on_comboLens_currentIndexChanged(int index) {
    if (index < 0 || m_bRefreshing)
        return;
    m_eLens = static_cast<eLens>(m_pUi->comboLens->itemData(index).toInt());
    m_nLensIndex = index;
    setCalibControlsEnabled(m_eLens != LensNone);
    emit sigSetLens(m_eLens);
    ShowCalibButton(m_eLens);
    SetLanguageText();
}

void MainDlg::on_pushView_clicked() {
    emit sigStartAlignmentDisplay();
}

void MainDlg::on_pushAutoCalib_clicked() {
    if (m_pUi->checkSemiAutoCalib->isChecked()) {
        m_pUi->checkSemiAutoCalib->setChecked(false);
        emit sigStartSCalibration();
    } else {
        emit sigStartACalibration();
    }
}

void MainDlg::on_pushManualCalib_clicked() {
    emit sigStartMCalibration();
}

void MainDlg::on_checkCeiling_clicked() {
    emit sigSetCeiling(m_pUi->checkCeiling->isChecked());
}

void MainDlg::on_checkRear_clicked() {
    emit sigSetRear(m_pUi->checkRear->isChecked());
}

void MainDlg::on_pushClose_clicked() {
    close();
}

void MainDlg::on_radioPen_clicked() {
    emit sigSetFingerMode(false);
}

void MainDlg::on_radioFinger_clicked() {
    emit sigSetFingerMode(true);
}

void MainDlg::on_radioNormalPen_clicked() {
    emit sigSetPenSelect(false);
}

void MainDlg::on_radioPlusPen_clicked() {
    emit sigSetPenSelect(true);
}

void MainDlg::SetFWOption(unsigned char ceiling, unsigned char rear, unsigned char finger,
                          unsigned char lens) {
    MainDlgForm& ui = *m_pUi;
    ui.checkCeiling->setChecked(ceiling != 0);
    ui.checkRear->setChecked(rear != 0);
    emit sigSetCeiling(ceiling != 0);
    emit sigSetRear(rear != 0);
    (finger != 0 ? ui.radioFinger : ui.radioPen)->setChecked(true);

    if (lens > LensReportedOnly)
        return;
    m_eLens = LensNone;
    m_nLensIndex = 0;
    for (int i = 1; i < ui.comboLens->count(); ++i) {
        if (ui.comboLens->itemData(i).toInt() == lens) {
            m_eLens = static_cast<eLens>(lens);
            m_nLensIndex = i;
            break;
        }
    }
    ui.comboLens->setCurrentIndex(m_nLensIndex);

    setCalibControlsEnabled(m_eLens != LensNone);
    emit sigSetLens(m_eLens);
    ShowCalibButton(m_eLens);
    SetLanguageText();
}

void MainDlg::SetFWVersion(const QString& version) {
    m_pUi->labelFWVersion->setText(kFirmwarePrefix + version);
    m_sFirmware = version;
    showConnectionStatus();
}

void MainDlg::SetUIState(bool enable) {
    const MainDlgForm& ui = *m_pUi;
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui.textEditInfo1, ui.textEditInfo3, ui.comboLanguage, ui.checkCeiling, ui.checkRear,
             ui.labelUse, ui.labelSel_1, ui.labelUseL, ui.pushView, ui.labelInfo3, ui.radioPen,
             ui.radioFinger, ui.labelSel_2, ui.comboLens, ui.radioNormalPen, ui.radioPlusPen})
        w->setEnabled(enable);
    m_pFindScreen->setEnabled(enable);
    setCalibControlsEnabled(enable && m_eLens != LensNone);
    if (!enable) {
        ui.labelFWVersion->setText(kFirmwarePrefix);
        m_sFirmware.clear();
    }
}

void MainDlg::SetPenType(int penType) {
    qCDebug(lcApp).nospace() << "SetPenType : " << penType;
    if (penType == 0)
        m_pUi->radioNormalPen->setChecked(true);
    else if (penType == 1)
        m_pUi->radioPlusPen->setChecked(true);
}

void MainDlg::InitLayout() {
    SetUIState(false);
    MainDlgForm& ui = *m_pUi;
    ui.groupPen->show();
    ui.radioNormalPen->show();
    ui.radioPlusPen->show();
    // A mirrored group is resized in its left-to-right form, so that its children keep their
    // distance from the leading edge.
    for (const auto& [group, size] :
         {std::pair<QGroupBox*, QSize>{ui.groupLens, ui.groupMode->size()},
          {ui.groupPen, ui.groupLanguage->size()}}) {
        const bool mirrored = group->isRightToLeft();
        if (mirrored)
            mirrorChildren(group);
        group->resize(size);
        if (mirrored)
            mirrorChildren(group);
    }
    ui.comboLens->move((ui.groupLens->width() - ui.comboLens->width()) / 2, ui.comboLanguage->y());
}

void MainDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitToScreen();
}

void MainDlg::fitToScreen() {
    // Before the window manager has framed the window its frame is unknown: reserve a title
    // bar and a border.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        frame = QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border,
                         border);
    }
    const PanelPlacement place =
        placePanel(m_pUi->panelContent->size(), KqUtils::screens(), QCursor::pos(), frame,
                   style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    qCDebug(lcApp) << "MainDlg placed at" << place.geometry;
    setFixedSize(place.geometry.size());
    move(place.geometry.topLeft() - QPoint(frame.left(), frame.top()));
}

void MainDlg::keyPressEvent(QKeyEvent* event) {
    // Every key stops here: the dialog's own handling would close on Escape without a signal.
    if (event->key() == Qt::Key_Escape && isVisible())
        emit sigClose(0);
}

void MainDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    fillContextMenu(menu);
    if (!menu.isEmpty())
        menu.exec(event->globalPos());
}

void MainDlg::closeEvent(QCloseEvent* event) {
    Q_UNUSED(event);
    hide();
    destroy();
    emit sigClose(0);
}
