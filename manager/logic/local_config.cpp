#include "manager/logic/local_config.h"

#include <QFile>

#include "manager/logic/config_document.h"
#include "manager/logic/local_records.h"
#include "manager/logic/local_values.h"
#include "manager/logic/serial_blocks.h"
#include "manager/logic/serial_requests.h"

namespace {

const char* const kNoResponse = "No response from the device";
const char* const kRefused = "Authorization failed";
const char* const kDoneText = "Operation done correctly";
const char* const kInterrupted = "The execution has been interrupted";
constexpr int kStatusTicks = 50;  // five seconds

}  // namespace

LocalConfig::LocalConfig(ManagerState& state, ParamLists& lists, SerialLink& link, RepoClient& repo,
                         UserPrompt& prompt, LabelFacts& label, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_lists(lists),
      m_link(link),
      m_repo(repo),
      m_prompt(prompt),
      m_label(label) {
    connect(&m_link, &SerialLink::lineReceived, this, &LocalConfig::OnLine);
}

std::optional<std::string> LocalConfig::AskPin() {
    std::optional<QString> pin = m_prompt.AskUnitPin();
    if (!pin) return std::nullopt;
    return pin->left(kPinSize).toLatin1().toStdString();
}

void LocalConfig::OnLine(const QByteArray& line) {
    if (m_textRead) m_textRead->Take(std::string_view(line.constData(), line.size()));
}

void LocalConfig::Done(const QString& text) {
    m_state.ShowStatus(text, kStatusTicks);
    emit statusChanged();
}

void LocalConfig::SetProgress(const QString& value) {
    m_state.progress = value;
    emit statusChanged();
}

void LocalConfig::JudgeAnswer(int ms) {
    m_link.WaitForAnswer(ms);
    switch (m_link.answerState()) {
        case 1:
            Done(QLatin1String(kDoneText));
            break;
        case 2:
            m_prompt.ShowWarning(QLatin1String(kRefused));
            break;
        default:
            m_prompt.ShowWarning(QLatin1String(kNoResponse));
            break;
    }
}

// ---------------------------------------------------------------------------
// Reading

void LocalConfig::RunWithPin(const std::function<void(const std::string& pin)>& action) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    std::optional<std::string> pin = AskPin();
    if (pin) action(*pin);
}

void LocalConfig::LocalRead(int tab) {
    RunWithPin([&](const std::string& pin) {
        if (m_state.deviceType == kVimko1) {
            ReadText(tab, pin);
        } else {
            ReadBinary(tab, pin);
        }
    });
}

void LocalConfig::ReadSucceeded(int tab, const QString& description) {
    m_lists.tabs[tab].description = description;
    emit listChanged(tab);
    m_label.configReadForLabel = true;
    m_label.moduleSeenForLabel = false;
    Done(QLatin1String(kDoneText));
}

void LocalConfig::ReadText(int tab, const std::string& pin) {
    const char group = SerialTextGroup(tab);
    if (group == 0) return;
    m_textRead = std::make_unique<TextReadCollector>(tab);
    m_link.SendText(SerialPinBody(pin));
    for (int nn = 0; nn < m_textRead->Expected(); ++nn) m_link.SendText(SerialGetBody(group, nn));
    // Answers come back one line each; the wait ends early once all are in.
    m_link.WaitFor(
        timings.longAnswerMs, [this] { return m_textRead->Answers() >= m_textRead->Expected(); },
        false);
    std::unique_ptr<TextReadCollector> read = std::move(m_textRead);
    if (read->Answers() == 0) {
        m_prompt.ShowWarning(QLatin1String(kNoResponse));
        return;
    }
    ParamList& list = m_lists.tabs[tab];
    LocalApplyRowValues(list, tab, m_state.deviceType, read->Values());
    if (read->Answers() < read->Expected()) {
        list.description = QStringLiteral("Imported from device connected locally incomplete");
        emit listChanged(tab);
        m_prompt.ShowWarning(QStringLiteral("Some of the parameters have been omitted"));
        return;
    }
    ReadSucceeded(tab, QStringLiteral("Imported from device connected locally"));
}

bool LocalConfig::ReadBinary(int tab, const std::string& pin) {
    const int type = m_state.deviceType;
    const int item = SerialBlockItem(type, tab);
    if (item < 0) return false;
    m_link.ExpectAnswer(kCmdRead, item);
    m_link.SendFrame(SerialReadBlockFrame(m_link.sequence(), item, pin));
    m_link.WaitForAnswer(timings.answerMs);
    if (m_link.answerState() == 2) {
        m_prompt.ShowWarning(QLatin1String(kRefused));
        return false;
    }
    const SerialFrame& answer = m_link.answer();
    if (m_link.answerState() != 1 || answer.header.command != kCmdRead) {
        m_prompt.ShowWarning(QLatin1String(kNoResponse));
        return false;
    }
    std::vector<ParamDescriptor> rows = LocalDescriptors(tab, type);
    SerialValues values;
    if (type == kVimko2) {
        values = SerialDecodeTextBlock(rows, answer.data);
    } else {
        // Offsets of the binary layout count from the answer's item byte.
        std::vector<uint8_t> block{answer.header.item};
        block.insert(block.end(), answer.data.begin(), answer.data.end());
        values = SerialDecodeBinaryBlock(rows, block,
                                         SerialRowsPresent(tab, rows.size(), answer.data.size()));
    }
    LocalApplyValues(m_lists.tabs[tab], tab, type, values);
    ReadSucceeded(tab, QStringLiteral("Imported from device connected locally"));
    return true;
}

// ---------------------------------------------------------------------------
// Writing

void LocalConfig::LocalWrite(int tab) {
    RunWithPin([&](const std::string& pin) {
        if (m_state.deviceType == kVimko1) {
            WriteText(tab, pin);
        } else {
            WriteBinary(tab, pin);
        }
    });
}

void LocalConfig::WriteText(int tab, const std::string& pin) {
    const char group = SerialTextGroup(tab);
    if (group == 0) return;
    const ParamList& list = m_lists.tabs[tab];
    if (!m_repo.RepositoryAuthorize(0, QString(), true, ExportConfig(tab, kVimko1, list))) return;
    SerialValues values = LocalValuesOf(list, tab, kVimko1);
    bool sent = m_link.SendText(SerialPinBody(pin));
    const int count = std::min(SerialTextValueCount(tab), static_cast<int>(values.size()));
    for (int nn = 0; sent && nn < count; ++nn)
        sent = m_link.SendText(SerialSetBody(group, nn, values[static_cast<size_t>(nn)]));
    // A Vimko-1 unit does not acknowledge its settings: only a line that
    // could not be sent tells of a failure.
    if (!sent) {
        m_prompt.ShowWarning(QLatin1String(kNoResponse));
        return;
    }
    Done(QStringLiteral("Configuration sent - verify correctness"));
}

void LocalConfig::WriteBinary(int tab, const std::string& pin) {
    const int type = m_state.deviceType;
    const int item = SerialBlockItem(type, tab);
    if (item < 0) return;
    const ParamList& list = m_lists.tabs[tab];
    std::vector<ParamDescriptor> rows = LocalDescriptors(tab, type);
    SerialValues values = LocalValuesOf(list, tab, type);
    if (type == kVimko2) {
        if (!m_repo.RepositoryAuthorize(0, QString(), true, ExportConfig(tab, type, list))) return;
        m_link.ExpectAnswer(-1, -1);
        m_link.SendFrame(SerialWriteBlockFrame2(m_link.sequence(), item, pin,
                                                SerialEncodeTextBlock(rows, values)));
        JudgeAnswer(timings.longAnswerMs);
        return;
    }
    // A Vimko-3/4 unit takes a block only with its own IMEI in it; the
    // repository logs the write against that IMEI.
    m_link.ExpectAnswer(kCmdRead, kItemImei);
    m_link.SendFrame(SerialMonitorFrame(m_link.sequence(), kItemImei));
    m_link.WaitForAnswer(timings.longAnswerMs);
    if (m_link.answerState() != 1 || m_link.answer().header.command != kCmdRead) {
        m_prompt.ShowWarning(QLatin1String(m_link.answerState() == 2 ? kRefused : kNoResponse));
        return;
    }
    std::vector<uint8_t> imei = m_link.answer().data;
    imei.resize(kImeiBytes, 0xFF);
    const QString imeiText = QString::fromLatin1(SerialImeiText(imei));
    if (!m_repo.RepositoryAuthorize(0, imeiText, true, ExportConfig(tab, type, list))) return;
    m_link.ExpectAnswer(-1, -1);
    m_link.SendFrame(
        SerialWriteBlockFrame3(m_link.sequence(), item, pin, imei,
                               SerialEncodeBinaryBlock(rows, values, SerialBinaryBlockSize(tab))));
    JudgeAnswer(timings.longAnswerMs);
}

// ---------------------------------------------------------------------------
// Service functions

void LocalConfig::SentOrWarn(bool sent) {
    if (sent) {
        Done(QStringLiteral("Command sent"));
    } else {
        m_prompt.ShowWarning(QLatin1String(kNoResponse));
    }
}

void LocalConfig::LocalDistance(const QString& value) {
    RunWithPin([&](const std::string& pin) {
        if (m_state.deviceType == kVimko1) {
            SentOrWarn(
                m_link.SendText(SerialPinBody(pin)) &&
                m_link.SendText(SerialDistanceBody(value.trimmed().toLatin1().toStdString())));
            return;
        }
        bool ok = false;
        uint distance = value.trimmed().toUInt(&ok);
        m_link.ExpectAnswer(-1, -1);
        m_link.SendFrame(SerialDistanceFrame(m_link.sequence(), pin, ok ? distance : 0));
        JudgeAnswer(timings.answerMs);
    });
}

void LocalConfig::LocalClear() {
    RunWithPin([&](const std::string& pin) {
        if (m_state.deviceType == kVimko1) {
            SentOrWarn(m_link.SendText(SerialPinBody(pin)) && m_link.SendText(SerialClearBody()));
            return;
        }
        m_link.ExpectAnswer(-1, -1);
        m_link.SendFrame(SerialClearFrame(m_link.sequence(), pin));
        JudgeAnswer(timings.answerMs);
    });
}

bool LocalConfig::OpenRecordFile(QFile& file) {
    const QString name = m_prompt.AskSaveFile(QStringLiteral("Text|*.txt"), QStringLiteral("txt"));
    if (name.isEmpty()) return false;
    file.setFileName(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
    m_prompt.ShowWarning(QStringLiteral("Error opening file: ") + name);
    return false;
}

bool LocalConfig::WriteRecord(QFile& file, const std::string& line) {
    const qint64 size = static_cast<qint64>(line.size());
    if (file.write(line.data(), size) == size && file.flush()) return true;
    m_prompt.ShowWarning(QStringLiteral("Error writing file: ") + file.fileName());
    return false;
}

void LocalConfig::LocalArchive(const QString& count) {
    BusyScope busy(m_state);
    if (busy.refused() || m_state.deviceType == kVimko1) return;
    std::optional<std::string> pin = AskPin();
    if (!pin) return;
    QFile file;
    if (!OpenRecordFile(file)) return;
    m_link.ExpectAnswer(kCmdArchive, kItemArchiveCount);
    m_link.SendFrame(SerialArchiveCountFrame(m_link.sequence()));
    m_link.WaitForAnswer(timings.longAnswerMs);
    if (m_link.answerState() != 1 || m_link.answer().header.command != kCmdArchive) {
        m_prompt.ShowWarning(QLatin1String(kNoResponse));
        return;
    }
    const uint32_t total = SerialGetLE(m_link.answer().data, 0, 4);
    const ArchiveRange range = LocalArchiveRange(total, count.trimmed().toLongLong());
    for (uint32_t done = 0; done < range.records; ++done) {
        if (m_state.terminateRequested) {
            m_prompt.ShowWarning(QLatin1String(kInterrupted));
            break;
        }
        m_link.ExpectAnswer(kCmdArchive, kItemArchiveRecord);
        m_link.SendFrame(SerialArchiveRecordFrame(m_link.sequence(), range.first + done));
        m_link.WaitForAnswer(timings.longAnswerMs);
        if (m_link.answerState() != 1 || m_link.answer().header.command != kCmdArchive) break;
        if (!WriteRecord(file, LocalRecordLine(m_link.answer().data))) break;
        SetProgress(QString::number(100 * (done + 1) / range.records));
    }
    SetProgress(QStringLiteral("0"));
}

void LocalConfig::LocalUnread() {
    BusyScope busy(m_state);
    if (busy.refused() || m_state.deviceType == kVimko1) return;
    std::optional<std::string> pin = AskPin();
    if (!pin) return;
    QFile file;
    if (!OpenRecordFile(file)) return;
    for (int records = 0;;) {
        if (m_state.terminateRequested) {
            m_prompt.ShowWarning(QLatin1String(kInterrupted));
            break;
        }
        m_link.ExpectAnswer(kCmdArchive, kItemUnreadRecord);
        m_link.SendFrame(SerialUnreadFrame(m_link.sequence()));
        m_link.WaitForAnswer(timings.longAnswerMs);
        if (m_link.answerState() == 2) {  // no more data
            Done(QLatin1String(kDoneText));
            break;
        }
        if (m_link.answerState() != 1 || m_link.answer().header.command != kCmdArchive) {
            if (records == 0) m_prompt.ShowWarning(QLatin1String(kNoResponse));
            break;
        }
        // The unit counts a record as read once it has sent it: a record
        // that cannot be stored ends the reading before more are used up.
        if (!WriteRecord(file, LocalRecordLine(m_link.answer().data))) break;
        SetProgress(QString::number(LocalUnreadProgress(++records)));
    }
    SetProgress(QStringLiteral("0"));
}
