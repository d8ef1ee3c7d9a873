#include "AlignmentDlg.h"

#include "AlignmentLayout.h"
#include "display/DisplayFont.h"
#include "display/KqUtils.h"
#include "display/UserMessage.h"
#include "display/WindowPlacement.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/Pause.h"
#include "maskDlg.h"

#include <QDebug>
#include <QKeyEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <cstring>

namespace {

constexpr int kLanguageEnglish = 6;
// Entry of the screen choice texts: a window the desktop kept off its monitor.
constexpr int kTextOffMonitor = 6;
constexpr int kGainSteps = int(sizeof(alignGainTable) / sizeof(alignGainTable[0]));

QPixmap whitePicture() {
    QPixmap picture(MaskBitmap::kWidth, MaskBitmap::kHeight);
    picture.fill(Qt::white);
    return picture;
}

} // namespace

AlignmentDlg::AlignmentDlg(const LanguageTable* pLanguage, QWidget* parent)
    : QDialog(parent), m_pLanguage(pLanguage) {
    setObjectName(QStringLiteral("AlignmentDlg"));
    // Placed by hand for every language; only the mask hint reads right to left.
    setLayoutDirection(Qt::LeftToRight);
    m_ui.setupUi(this);
    QMetaObject::connectSlotsByName(this);
    connect(m_ui.hSlideAlignmentViewGain, &QSlider::valueChanged, m_ui.numObjAlignmentViewGain,
            qOverload<int>(&QLCDNumber::display));
    connect(m_ui.hSlideAlignmentViewGain, &QSlider::sliderReleased, this,
            &AlignmentDlg::valueAlignmentGain);
    m_ui.numObjAlignmentViewGain->display(m_ui.hSlideAlignmentViewGain->value());

    std::memset(m_pMaskBufBit, 0, sizeof(m_pMaskBufBit));
    m_pMaskDlg = new maskDlg(this);
    m_pMaskDlg->hide();
    // Esc in the editor leaves it as its toggle does; the next Esc reaches this view.
    connect(m_pMaskDlg, &maskDlg::sigEscape, this, [this] {
        if (m_bMaskMode)
            on_pushB_clicked();
        activateWindow();
        setFocus();
    });
    applyTexts();
}

void AlignmentDlg::applyTexts() {
    const int language = m_pLanguage ? m_pLanguage->languageIndex() : kLanguageEnglish;
    const QString family = displayFontFamily(language);
    if (!family.isEmpty()) {
        QFont viewFont = font();
        viewFont.setFamily(family);
        setFont(viewFont);
    }
    if (!m_pLanguage)
        return;
    m_ui.pushButton->setText(m_pLanguage->textT(10));
    m_ui.labelMask->setText(m_pLanguage->textC(33));
    m_ui.labelMask->setLayoutDirection(m_pLanguage->isRightToLeft() ? Qt::RightToLeft
                                                                    : Qt::LeftToRight);
    m_ui.pushButtonDraw->setText(m_pLanguage->textC(34));
    m_ui.pushButtonEraser->setText(m_pLanguage->textC(35));
    m_ui.pushButtonEraserAll->setText(m_pLanguage->textC(36));
    applyMaskToggleHint();
}

// The toggle is nearly invisible; its tool tip says what it opens, or why it does nothing.
void AlignmentDlg::applyMaskToggleHint() {
    if (m_pLanguage)
        m_ui.pushB->setToolTip(m_pLanguage->textAV(m_nFWLower < kMaskFirmwareLower ? 1 : 0));
}

void AlignmentDlg::showOnMonitor() {
    window_placement::showOnMonitor(this, m_monitor);
    if (window_placement::waitUntilOnMonitor(this, m_monitor) || !m_pLanguage)
        return;
    user_message::critical(
        this,
        m_pLanguage->textSC(kTextOffMonitor).arg(KqUtils::numberOf(m_monitor)).arg(m_monitor.name));
}

void AlignmentDlg::SetAlignmentDisplay(bool on) {
    if (!on) {
        m_nGainStep = m_ui.hSlideAlignmentViewGain->value();
        m_bDisplay = false;
        // A calibration may start while the editor is open; it must not stay on top of it.
        closeMaskEditor();
        m_bMaskMode = false;
        hide();
        return;
    }

    m_bDisplay = true;
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    m_monitor = KqUtils::calibrationMonitor();
    const QRect monitor = m_monitor.geometry;
    m_dpiRatio = KqUtils::dpiRatioOf(monitor);
    qCDebug(lcAlign) << "m_dpiRatio =" << m_dpiRatio;
    m_nWidth = monitor.width();
    m_nHeight = monitor.height();
    setGeometry(monitor);

    m_ui.place(alignmentLayout(m_nWidth, m_nHeight, m_dpiRatio));
    m_ui.label->setPixmap(whitePicture());
    applyTexts();
    m_ui.fitTexts(font());
    m_ui.setMaskToolsVisible(false);

    // Display mode is entered at every opening; one connection each is enough.
    connect(m_ui.pushButtonDraw, &QPushButton::clicked, this, &AlignmentDlg::onDraw,
            Qt::UniqueConnection);
    connect(m_ui.pushButtonEraser, &QPushButton::clicked, this, &AlignmentDlg::onEraser,
            Qt::UniqueConnection);
    connect(m_ui.pushButtonEraserAll, &QPushButton::clicked, this, &AlignmentDlg::onEraserAll,
            Qt::UniqueConnection);
    connect(this, &AlignmentDlg::sigDraw, m_pMaskDlg, &maskDlg::slotDraw, Qt::UniqueConnection);
    connect(this, &AlignmentDlg::sigEraserFree, m_pMaskDlg, &maskDlg::slotEraserFree,
            Qt::UniqueConnection);
    connect(this, &AlignmentDlg::sigEraserAll, m_pMaskDlg, &maskDlg::slotEraserAll,
            Qt::UniqueConnection);

    m_ui.hSlideAlignmentViewGain->setValue(m_nGainStep);
    sendGain();
    pause::sleepMs(m_nOpeningPauseMs);
}

void AlignmentDlg::SetFWVersion(const QString& version) {
    bool ok = false;
    const int lower = version.right(2).toInt(&ok);
    m_nFWLower = (ok && lower >= 10) ? lower : 0;
    applyMaskToggleHint();
}

void AlignmentDlg::SetGainStep(int step) {
    m_ui.hSlideAlignmentViewGain->setValue(step);
    m_nGainStep = m_ui.hSlideAlignmentViewGain->value();
    sendGain();
}

void AlignmentDlg::valueAlignmentGain() {
    sendGain();
}

void AlignmentDlg::sendGain() {
    const int step = qBound(0, m_ui.hSlideAlignmentViewGain->value(), kGainSteps - 1);
    emit sigCamParamSendWait(alignGainTable[step], 0);
}

void AlignmentDlg::SetReceiveMask(unsigned char* mask, int length) {
    qCDebug(lcAlign) << "AlignmentDlg::SetReceiveMask ==>" << length;
    if (length == 0)
        return;
    if (!mask || length < 0) {
        qCWarning(lcAlign) << "AlignmentDlg::SetReceiveMask: no mask to take";
        return;
    }
    if (length > MaskBitmap::kBytes) {
        qCWarning(lcAlign) << "AlignmentDlg::SetReceiveMask: cut to" << MaskBitmap::kBytes
                           << "bytes";
        length = MaskBitmap::kBytes;
    }
    std::memcpy(m_pMaskBufBit, mask, static_cast<size_t>(length));
    qCDebug(lcAlign) << "AlignmentDlg::SetReceiveMask flag :"
                     << int(m_pMaskBufBit[MaskBitmap::kFlagIndex]);
    m_bMaskReceived = true;
}

void AlignmentDlg::on_pushB_clicked() {
    qCDebug(lcAlign) << "FWLower :" << m_nFWLower;
    if (m_nFWLower < kMaskFirmwareLower)
        return;
    m_bMaskMode = !m_bMaskMode;
    if (m_bMaskMode)
        openMaskEditor();
    else
        closeMaskEditor();
}

void AlignmentDlg::openMaskEditor() {
    m_pMaskDlg->PrepareCanvas(m_ui.label->geometry());
    if (m_bMaskReceived)
        MaskBitmap::paintInto(m_pMaskBufBit, m_pMaskDlg->canvas());
    m_pMaskDlg->raise();
    m_pMaskDlg->show();
    m_pMaskDlg->setFocus();
    m_ui.setMaskToolsVisible(true);
    m_ui.pushButtonDraw->setChecked(true);
    m_ui.pushButtonEraser->setChecked(false);
    emit sigDraw();
}

void AlignmentDlg::closeMaskEditor() {
    m_pMaskDlg->hide();
    m_ui.setMaskToolsVisible(false);
}

void AlignmentDlg::onDraw() {
    m_ui.pushButtonDraw->setChecked(false);
    m_ui.pushButtonEraser->setChecked(false);
    m_ui.pushButtonDraw->setChecked(true);
    emit sigDraw();
}

void AlignmentDlg::onEraser() {
    m_ui.pushButtonDraw->setChecked(false);
    m_ui.pushButtonEraser->setChecked(false);
    m_ui.pushButtonEraser->setChecked(true);
    emit sigEraserFree();
}

void AlignmentDlg::onEraserAll() {
    emit sigEraserAll();
}

void AlignmentDlg::on_pushButton_clicked() {
    if (isVisible())
        hide();
    if (m_pMaskDlg->isVisible())
        m_pMaskDlg->hide();

    if (m_bMaskMode) {
        m_pMaskBufBit[MaskBitmap::kFlagIndex] = 1;
        qCDebug(lcAlign) << "AlignmentDlg mask canvas width :" << m_pMaskDlg->canvas().width();
        const int count = MaskBitmap::readFrom(m_pMaskDlg->canvas(), m_pMaskBufBit);
        qCDebug(lcAlign) << "nCount :" << count;
        m_bMaskEdited = true;
    } else {
        m_pMaskBufBit[MaskBitmap::kFlagIndex] = 0;
    }
    m_bMaskMode = false;
    m_ui.setMaskToolsVisible(false);
    // Without a received mask and without an edit the bitmap is all zeros; uploading it
    // would wipe the mask stored in the module (for instance after a failed download).
    emit sigStopAlignmentDisplay(m_bMaskReceived || m_bMaskEdited);
}

void AlignmentDlg::keyPressEvent(QKeyEvent* event) {
    if (!isVisible())
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
        on_pushButton_clicked();
        break;
    case Qt::Key_F11:
        m_nBinMode = (m_nBinMode + 1) % 3;
        emit sigSetBin(m_nBinMode);
        break;
    default:
        break;
    }
}

void AlignmentDlg::paintEvent(QPaintEvent*) {
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return;
    const AlignmentLayout layout = alignmentLayout(m_nWidth, m_nHeight, m_dpiRatio);
    QPainter painter(this);
    painter.setPen(
        QPen(Qt::black, layout.borderPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawRect(layout.border);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawPolygon(layout.topArrow);
    painter.drawPolygon(layout.bottomArrow);
}
