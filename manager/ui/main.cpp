// VimkoManager: the operators' and installers' desktop tool.
//
//   VimkoManager [--serial-port PATH]...
//
// --serial-port adds a serial device the system does not list by itself
// (a USB adapter under another name, a pseudo-terminal) to the tree's
// "Local managment" ports.
#include <QApplication>
#include <QStandardPaths>

#include "manager/logic/device_list.h"
#include "manager/logic/device_refresh.h"
#include "manager/logic/manager_settings.h"
#include "manager/ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VimkoManager"));
    QStringList extraPorts;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--serial-port")) extraPorts.append(args[++i]);
    }
    QString settings =
        SettingsFilePath(QCoreApplication::applicationFilePath(),
                         QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    MainWindow window(settings);
    if (!extraPorts.isEmpty()) {
        auto machinePorts = window.listPorts;
        window.listPorts = [machinePorts, extraPorts] {
            return (machinePorts ? machinePorts() : QStringList()) + extraPorts;
        };
        window.BuildTree({TreeNode{QStringLiteral("Refresh device list"), kImageRefresh, -1}});
    }
    window.show();
    return QApplication::exec();
}
