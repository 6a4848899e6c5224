#pragma once
// Local configuration over the serial cable: reading and writing the active
// tab of the unit on the cable, and the unit's service functions (distance,
// clear memory, archive and unread records). Window-free controller on the
// GUI thread; every action runs inside one busy operation, asks for the
// unit's PIN first (Cancel ends it), waits on the SerialLink and reports
// through UserPrompt and ManagerState's status text and progress value.
//
// Vimko-1 units speak text lines ("$GET1nn*", "$SET1nn,v*", answers
// "$ANS1nn,v*"); Vimko-2 and Vimko-3/4 units binary frames (command 40 to
// read a block, 60 to write it, 30 service, 80 records).

#include <QFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "manager/logic/label_command.h"
#include "manager/logic/local_timings.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/serial_answers.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/user_prompt.h"

class LocalConfig : public QObject {
    Q_OBJECT
  public:
    LocalConfig(ManagerState& state, ParamLists& lists, SerialLink& link, RepoClient& repo,
                UserPrompt& prompt, LabelFacts& label, QObject* parent = nullptr);

    LocalTimings timings;

    // The Configuration page's "&Read" and "&Write" on the active tab.
    void LocalRead(int tab);
    void LocalWrite(int tab);
    // "Distanse setup:" "&Update" with the field's text; "Clear memory:" "&Clear".
    void LocalDistance(const QString& value);
    void LocalClear();
    // "Read data archives:" "&Read" with the count field's text (Vimko-2/3).
    void LocalArchive(const QString& count);
    // "Read the data unread:" "&Read" (Vimko-2/3).
    void LocalUnread();

  signals:
    // A tab's list (values and description line) changed.
    void listChanged(int tab);
    // statusText or progress of ManagerState changed.
    void statusChanged();

  private:
    std::optional<std::string> AskPin();
    // One action of the PIN-protected kind: nothing when another action runs
    // or the PIN is not given; otherwise `action` with the PIN, busy meanwhile.
    void RunWithPin(const std::function<void(const std::string& pin)>& action);
    void OnLine(const QByteArray& line);
    bool ReadBinary(int tab, const std::string& pin);
    void ReadText(int tab, const std::string& pin);
    void WriteText(int tab, const std::string& pin);
    void WriteBinary(int tab, const std::string& pin);
    // Judges a write or service answer after `ms`: 11, 12 or silence.
    void JudgeAnswer(int ms);
    void ReadSucceeded(int tab, const QString& description);
    void Done(const QString& text);
    void SetProgress(const QString& value);
    // Asks for the text file of a record reader and opens it; false for
    // Cancel or (with the warning shown) a file that cannot be written.
    bool OpenRecordFile(QFile& file);
    // The end of an unacknowledged Vimko-1 command: "Command sent", or the
    // warning when its lines could not be sent.
    void SentOrWarn(bool sent);
    // Appends one record line and pushes it to the file; false, after the
    // warning, when the file does not take it (a full disk, a lost share).
    bool WriteRecord(QFile& file, const std::string& line);

    ManagerState& m_state;
    ParamLists& m_lists;
    SerialLink& m_link;
    RepoClient& m_repo;
    UserPrompt& m_prompt;
    LabelFacts& m_label;
    // The Vimko-1 read in progress, fed by the link's lines; null otherwise.
    std::unique_ptr<TextReadCollector> m_textRead;
};
