#pragma once

#include "app/language/LanguageTable.h"
#include "device/Transport.h"

#include <QDialog>
#include <memory>

class CamDevCtrl;

// The hidden hub window: owns the language table and the device link, reads the settings
// file, and starts the program's work once the single-instance test has passed.
class TvSetupDlg : public QDialog {
    Q_OBJECT

public:
    TvSetupDlg(QWidget* parent, bool autoUpdate, std::unique_ptr<Transport> transport);
    ~TvSetupDlg() override;

    const LanguageTable* language() const { return m_pLanguage.get(); }

    // Called once, after the window has been hidden and before the event loop runs.
    void start();

signals:
    void sigStartAlignmentDisplay();
    void sigStartMCalibration();
    void sigStartACalibration();
    void sigStartSCalibration();
    void sigChangeUIState(bool bEnable);
    void sigClose(int code);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<LanguageTable> m_pLanguage;
    std::unique_ptr<Transport> m_pTransport;
    CamDevCtrl* m_pDevice = nullptr;
    int m_nPenSelection = 0;
    bool m_bAutoUpdate;
};
