#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class UpgradeWindowModel;

// "Firmware upgrade": "Open file", the file's path, "Start", the record progress, the status
// and "Close". It shows UpgradeWindowModel and forwards the clicks to it.
class TDwnlFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TDwnlFrm(UpgradeWindowModel &model, QWidget *parent = nullptr);
    void init_language();

    QPushButton *openButton() const { return m_open; }
    QPushButton *startButton() const { return m_start; }
    QPushButton *closeButton() const { return m_close; }
    QLabel *fileLabel() const { return m_file; }
    QLabel *statusLabel() const { return m_status; }
    QProgressBar *progressBar() const { return m_progress; }

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void refresh();
    void startClick();

    UpgradeWindowModel &m_model;
    QPushButton *m_open;
    QLabel *m_file;
    QPushButton *m_start;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_close;
};
