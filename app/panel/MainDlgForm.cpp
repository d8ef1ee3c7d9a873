#include "MainDlgForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Groups start left to right whatever the application's direction, as their children's
// geometry is; the panel mirrors them for right-to-left languages.
QGroupBox* makeGroup(QWidget* parent, const char* name, const QRect& geometry) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    group->setLayoutDirection(Qt::LeftToRight);
    return group;
}

template <typename W> W* make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

QTextEdit* makeInfoBox(QWidget* parent, const char* name, const QRect& geometry) {
    auto* edit = make<QTextEdit>(parent, name, geometry);
    edit->setReadOnly(true);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setStyleSheet(QStringLiteral("background-color: transparent;"));
    // Explanations only: keep them out of the keyboard's way.
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

} // namespace

void MainDlgForm::setupUi(QDialog* dlg) {
    dlg->resize(560, 762);
    scrollPanel = new QScrollArea(dlg);
    scrollPanel->setObjectName(QStringLiteral("scrollPanel"));
    scrollPanel->setFrameShape(QFrame::NoFrame);
    auto* frame = new QVBoxLayout(dlg);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(scrollPanel);
    panelContent = new QWidget;
    panelContent->setObjectName(QStringLiteral("panelContent"));
    panelContent->resize(dlg->size());
    scrollPanel->setWidget(panelContent);
    QWidget* const top = panelContent;

    label = make<QLabel>(top, "label", QRect(0, 0, 560, 81));
    label->setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 255);"));

    groupMode = makeGroup(top, "groupMode", QRect(20, 90, 290, 91));
    radioPen = make<QRadioButton>(groupMode, "radioPen", QRect(20, 28, 250, 22));
    radioFinger = make<QRadioButton>(groupMode, "radioFinger", QRect(20, 56, 250, 22));

    groupLanguage = makeGroup(top, "groupLanguage", QRect(320, 90, 221, 91));
    labelUse = make<QLabel>(groupLanguage, "labelUse", QRect(10, 26, 120, 20));
    labelUseL = make<QLabel>(groupLanguage, "labelUseL", QRect(130, 26, 81, 20));
    labelUseL->setAlignment(Qt::AlignCenter);
    labelUseL->setEnabled(false);
    labelSel_1 = make<QLabel>(groupLanguage, "labelSel_1", QRect(10, 56, 60, 20));
    comboLanguage = make<QComboBox>(groupLanguage, "comboLanguage", QRect(75, 54, 136, 24));

    groupBasic = makeGroup(top, "groupBasic", QRect(20, 189, 520, 61));
    checkCeiling = make<QCheckBox>(groupBasic, "checkCeiling", QRect(20, 26, 230, 22));
    checkRear = make<QCheckBox>(groupBasic, "checkRear", QRect(270, 26, 230, 22));

    groupLens = makeGroup(top, "groupLens", QRect(20, 258, 291, 91));
    // The caption stands centred above the box, which the start-up layout centres too.
    labelSel_2 = make<QLabel>(groupLens, "labelSel_2", QRect(10, 26, 270, 20));
    labelSel_2->setAlignment(Qt::AlignCenter);
    comboLens = make<QComboBox>(groupLens, "comboLens", QRect(20, 54, 250, 24));

    // Shown by the start-up layout only.
    groupPen = makeGroup(top, "groupPen", QRect(320, 258, 221, 91));
    groupPen->hide();
    radioNormalPen = make<QRadioButton>(groupPen, "radioNormalPen", QRect(20, 28, 190, 22));
    radioPlusPen = make<QRadioButton>(groupPen, "radioPlusPen", QRect(20, 56, 190, 22));
    radioNormalPen->hide();
    radioPlusPen->hide();

    groupAdjust = makeGroup(top, "groupAdjust", QRect(20, 357, 520, 161));
    textEditInfo1 = makeInfoBox(groupAdjust, "textEditInfo1", QRect(15, 24, 490, 88));
    pushView = make<QPushButton>(groupAdjust, "pushView", QRect(165, 118, 190, 30));

    groupCalib = makeGroup(top, "groupCalib", QRect(20, 526, 520, 166));
    labelInfo3 = make<QLabel>(groupCalib, "labelInfo3", QRect(15, 24, 490, 20));
    textEditInfo3 = makeInfoBox(groupCalib, "textEditInfo3", QRect(10, 42, 500, 82));
    pushAutoCalib = make<QPushButton>(groupCalib, "pushAutoCalib", QRect(50, 125, 130, 30));
    checkSemiAutoCalib =
        make<QCheckBox>(groupCalib, "checkSemiAutoCalib", QRect(190, 125, 100, 30));
    pushManualCalib = make<QPushButton>(groupCalib, "pushManualCalib", QRect(340, 125, 130, 30));

    pushClose = make<QPushButton>(top, "pushClose", QRect(20, 700, 110, 30));
    labelFWVersion = make<QLabel>(top, "labelFWVersion", QRect(250, 698, 290, 18));
    labelFWVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelSWVersion = make<QLabel>(top, "labelSWVersion", QRect(250, 716, 290, 18));
    labelSWVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Below the designed layout, so that every specified position stays. It shows the
    // module's serial number, which must not be read as markup.
    labelStatus = make<QLabel>(top, "labelStatus", QRect(20, 738, 410, 18));
    labelStatus->setTextFormat(Qt::PlainText);
    // The functions beyond the designed layout, where a user finds them without a right click.
    toolMore = make<QToolButton>(top, "toolMore", QRect(440, 734, 100, 22));
    toolMore->setPopupMode(QToolButton::InstantPopup);
    toolMore->setToolButtonStyle(Qt::ToolButtonTextOnly);

    QWidget::setTabOrder(radioPen, radioFinger);
    QWidget::setTabOrder(radioFinger, comboLanguage);
    QWidget::setTabOrder(comboLanguage, checkCeiling);
    QWidget::setTabOrder(checkCeiling, checkRear);
    QWidget::setTabOrder(checkRear, comboLens);
    QWidget::setTabOrder(comboLens, pushView);
    QWidget::setTabOrder(pushView, pushAutoCalib);
    QWidget::setTabOrder(pushAutoCalib, checkSemiAutoCalib);
    QWidget::setTabOrder(checkSemiAutoCalib, pushManualCalib);
    QWidget::setTabOrder(pushManualCalib, pushClose);
}
