#pragma once

#include <QDialog>
#include <memory>

class DeviceSession;
class FactoryTest;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Factory test": the production station's window. Every rule is FactoryTest's; this window
// shows its result list, averages, coloured panel and status, and forwards Close.
class TFtFrm : public QDialog
{
    Q_OBJECT
public:
    TFtFrm(DeviceSession &session, const QString &iniPath, QWidget *parent = nullptr);
    ~TFtFrm() override;
    void init_language();

    FactoryTest &model() const { return *m_model; }
    QListWidget *resultList() const { return m_list; }
    QLineEdit *averagesField() const { return m_averages; }
    QLabel *panel() const { return m_panel; }
    QLabel *statusLabel() const { return m_status; }
    QPushButton *closeButton() const { return m_close; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();

    std::unique_ptr<FactoryTest> m_model;
    QListWidget *m_list = nullptr;
    QLineEdit *m_averages = nullptr;
    QLabel *m_panel = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_close = nullptr;
    bool m_closing = false;
};
