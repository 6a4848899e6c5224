// VimkoManager: the operators' and installers' desktop tool.
#include <QApplication>
#include <QStandardPaths>

#include "manager/logic/manager_settings.h"
#include "manager/ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VimkoManager"));
    QString settings =
        SettingsFilePath(QCoreApplication::applicationFilePath(),
                         QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    MainWindow window(settings);
    window.show();
    return QApplication::exec();
}
