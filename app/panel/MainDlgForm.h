#pragma once

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QWidget;
class QTextEdit;
class QToolButton;

// The widgets of the main panel at their design geometry (a 560 x 762 window: the
// specified 560 x 740 and a strip below for the connection status), with the
// object names that the panel's slots are connected by. Texts are set by the panel.
struct MainDlgForm {
    // The window shows the panel through a frameless scroll area, whose bars appear only on a
    // screen too small for the panel; every widget below is a child of panelContent.
    QScrollArea* scrollPanel = nullptr;
    QWidget* panelContent = nullptr;
    QLabel* label = nullptr;
    QGroupBox* groupMode = nullptr;
    QRadioButton* radioPen = nullptr;
    QRadioButton* radioFinger = nullptr;
    QGroupBox* groupLanguage = nullptr;
    QLabel* labelUse = nullptr;
    QLabel* labelUseL = nullptr;
    QLabel* labelSel_1 = nullptr;
    QComboBox* comboLanguage = nullptr;
    QGroupBox* groupBasic = nullptr;
    QCheckBox* checkCeiling = nullptr;
    QCheckBox* checkRear = nullptr;
    QGroupBox* groupLens = nullptr;
    QLabel* labelSel_2 = nullptr;
    QComboBox* comboLens = nullptr;
    QGroupBox* groupPen = nullptr;
    QRadioButton* radioNormalPen = nullptr;
    QRadioButton* radioPlusPen = nullptr;
    QGroupBox* groupAdjust = nullptr;
    QTextEdit* textEditInfo1 = nullptr;
    QPushButton* pushView = nullptr;
    QGroupBox* groupCalib = nullptr;
    QLabel* labelInfo3 = nullptr;
    QTextEdit* textEditInfo3 = nullptr;
    QPushButton* pushAutoCalib = nullptr;
    QCheckBox* checkSemiAutoCalib = nullptr;
    QPushButton* pushManualCalib = nullptr;
    QPushButton* pushClose = nullptr;
    QLabel* labelFWVersion = nullptr;
    QLabel* labelSWVersion = nullptr;
    QLabel* labelStatus = nullptr;
    QToolButton* toolMore = nullptr;

    // Creates the widgets as children of dlg (which owns them) and sets the tab order.
    void setupUi(QDialog* dlg);
};
