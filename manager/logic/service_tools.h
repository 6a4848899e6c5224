#pragma once
// The label button of the bottom panel and the "Nodalink SysDump" button of
// the "&Debug" page: printing the unit's identification label with the
// external label-printer program, and the unit's system dump into the
// Debug log. Window-free controller on the GUI thread.

#include <QObject>
#include <QString>

#include "manager/logic/label_command.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/user_prompt.h"

class ServiceTools : public QObject {
    Q_OBJECT
  public:
    ServiceTools(ManagerState& state, ParamLists& lists, SerialLink& link, UserPrompt& prompt,
                 LabelFacts& label, QObject* parent = nullptr);

    // The Settings field "Executable:" of the "Label printer" group (not
    // stored in the settings file).
    QString printerProgram = QStringLiteral("Printer.exe");

    // Needs a local configuration read and a module answer since the last
    // label; shows the command line for Yes/No and starts the program
    // without waiting for it. True when the program was started.
    bool PrintLabel();
    // The line shown by the last PrintLabel that got that far.
    const QString& lastCommandLine() const { return m_lastCommandLine; }

    // Asks the unit for its dump; the answer's lines go to the Debug log
    // (without time stamps) when they come.
    void SystemDump();

  private:
    void OnFrame(const SerialFrame& frame);

    ManagerState& m_state;
    ParamLists& m_lists;
    SerialLink& m_link;
    UserPrompt& m_prompt;
    LabelFacts& m_label;
    QString m_lastCommandLine;
};
