#pragma once
// The "&Debug" page: a read-only log of what the unit on the serial cable
// and the terminals beside it report, with "&Write" (save the lines to a
// text file), "&Clear" and "Nodalink SysDump" (ask the unit for a dump of
// its internal state, which arrives as log lines).

#include <QStringList>
#include <QWidget>

#include "manager/ui/manager_context.h"

class QPlainTextEdit;
class QPushButton;

class DebugPage : public QWidget {
    Q_OBJECT
  public:
    explicit DebugPage(ManagerContext& context, QWidget* parent = nullptr);

    void ApplyLocalControls(bool on);
    void ApplyRemoteControls(bool on);
    void ShowLocalView();
    void ShowRemoteView();
    void DeviceTypeChanged();

    // Adds one line at the end of the log.
    void AppendLine(const QString& line);
    QStringList Lines() const;

  private:
    void OnWrite();

    ManagerContext& m_context;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_dump = nullptr;
};
