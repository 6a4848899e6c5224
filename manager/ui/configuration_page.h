#pragma once
// The "&Configuration" page: the nine parameter tabs, each a value list with
// its description line, the "OFF-LINE mode" check box and the buttons
// "&Read", "&Write", "&Import" and "&Export". The buttons act on the active
// tab, remotely through RemoteConfig; the local (serial) read and write are
// handed to the hooks the main window sets.

#include <QWidget>
#include <functional>

#include "manager/ui/manager_context.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class ParamTable;

class ConfigurationPage : public QWidget {
  public:
    explicit ConfigurationPage(ManagerContext& context, QWidget* parent = nullptr);

    // ResetForDeviceType's share: "General" active, every list and
    // description shown again, the tabs of the device type visible.
    void ResetForDeviceType();
    // Shows tab `tab`'s list and description line again.
    void Reload(int tab);
    void SetReadWriteEnabled(bool read, bool write);
    // "OFF-LINE mode": unchecked and disabled in the local view, enabled in
    // the remote view.
    void SetOfflineAvailable(bool available);

    QTabWidget* tabs() const { return m_tabs; }
    ParamTable* table(int tab) const { return m_tables[tab]; }
    QLineEdit* description(int tab) const { return m_descriptions[tab]; }
    QCheckBox* offlineBox() const { return m_offline; }
    QPushButton* readButton() const { return m_read; }
    QPushButton* writeButton() const { return m_write; }

    // The serial link's read and write of the active tab (local view).
    std::function<void(int tab)> localRead;
    std::function<void(int tab)> localWrite;

  private:
    void OnRead();
    void OnWrite();
    void OnImport();
    void OnExport();

    ManagerContext& m_context;
    QTabWidget* m_tabs;
    ParamTable* m_tables[kTabCount];
    QLineEdit* m_descriptions[kTabCount];
    QCheckBox* m_offline;
    QPushButton* m_read;
    QPushButton* m_write;
    QPushButton* m_import;
    QPushButton* m_export;
};
