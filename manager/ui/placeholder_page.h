#pragma once
// Stands in for the "&Firmware", "&Monitoring" and "&Debug" pages while
// their widgets are not part of the build, with the interface the main
// window calls on them. page_includes.h picks the real page when its header
// exists.

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "manager/ui/manager_context.h"

class PlaceholderPage : public QWidget {
  public:
    explicit PlaceholderPage(ManagerContext& context, QWidget* parent = nullptr)
        : QWidget(parent), m_kind(new QComboBox(this)) {
        (void)context;
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("This page is not part of this build."), this));
        // The firmware-kind combo belongs to the Firmware page; the main
        // window disables it during an operation.
        m_kind->addItems({QStringLiteral("Firmware Vimko"), QStringLiteral("Firmware KX-05/Tacho"),
                          QStringLiteral("Firmware Korvalen")});
        m_kind->hide();
        layout->addStretch();
    }
    void ApplyLocalControls(bool) {}
    void ApplyRemoteControls(bool) {}
    void ShowLocalView() {}
    void ShowRemoteView() {}
    void DeviceTypeChanged() {}
    void TimerStep() {}
    void AppendLine(const QString&) {}
    QComboBox* kindCombo() { return m_kind; }

  private:
    QComboBox* m_kind;
};
