#pragma once
// A main window on a settings file in a temporary folder, with a scripted
// person, shown on the offscreen platform.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "manager/ui/main_window.h"
#include "tests/manager/logic/scripted_prompt.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"

struct WindowFixture {
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<MainWindow> window;

    QString settingsPath() const { return QString::fromStdString(dir.File("VimkoManager.ini")); }

    // `ini` is written first unless empty. Without one the data server is
    // a free port nobody listens on, so a connection attempt fails at once.
    void Open(const std::string& ini = {}) {
        WriteFile(
            dir.File("VimkoManager.ini"),
            ini.empty() ? "[Serwer]\nAdres=127.0.0.1:" + std::to_string(FreePort()) + "\n" : ini);
        OpenWithoutFile();
    }
    void OpenWithoutFile() {
        window = std::make_unique<MainWindow>(settingsPath(), &prompt);
        window->show();
    }

    QTreeWidgetItem* Node(const QString& text) const {
        QList<QTreeWidgetItem*> found =
            window->tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void Click(QTreeWidgetItem* item) const {
        QTreeWidget* tree = window->tree();
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }
};

// Runs `act` on the modal dialog of type T once it is open (the caller then
// opens it; exec returns after `act` accepts or rejects it).
template <typename T>
void WhenModalOpens(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}
