#include "manager/logic/manager_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const char* const kServer = "Serwer";
const char* const kRepository = "Repozytorium";
const char* const kProfilePrefix = "Zarzadzanie_";

QString ProfileSection(int n) {
    return QLatin1String(kProfilePrefix) + QString::number(n);
}

// Booleans are written as 1 and 0, the form older files of this program
// hold; "true" and "false" read as well.
bool ReadBool(const QSettings& ini, const QString& key, bool fallback) {
    QVariant v = ini.value(key);
    if (!v.isValid()) return fallback;
    QString text = v.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    int number = text.toInt(&ok);
    return ok ? number != 0 : fallback;
}

bool Finish(QSettings& ini) {
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace

QString SettingsFilePath(const QString& programPath, const QString& fallbackDir) {
    QFileInfo program(programPath);
    QString name = program.completeBaseName() + QStringLiteral(".ini");
    QFileInfo dir(program.absolutePath());
    if (dir.isDir() && dir.isWritable()) return QDir(program.absolutePath()).filePath(name);
    QDir().mkpath(fallbackDir);
    return QDir(fallbackDir).filePath(name);
}

ManagerSettings LoadManagerSettings(const QString& path) {
    ManagerSettings s;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kServer));
    s.server.address = ini.value(QStringLiteral("Adres"), s.server.address).toString();
    s.server.user = ini.value(QStringLiteral("Uzytkownik"), s.server.user).toString();
    s.server.password = ini.value(QStringLiteral("Haslo"), s.server.password).toString();
    s.server.grouping = ReadBool(ini, QStringLiteral("Sortowanie"), s.server.grouping);
    s.server.onlyLogged = ReadBool(ini, QStringLiteral("Pokazuj"), s.server.onlyLogged);
    ini.endGroup();
    ini.beginGroup(QLatin1String(kRepository));
    s.repo.address = ini.value(QStringLiteral("Adres"), s.repo.address).toString();
    s.repo.user = ini.value(QStringLiteral("Uzytkownik"), s.repo.user).toString();
    s.repo.password = ini.value(QStringLiteral("Haslo"), s.repo.password).toString();
    s.repo.offline = ReadBool(ini, QStringLiteral("Importuj"), s.repo.offline);
    ini.endGroup();
    return s;
}

bool SaveServerSection(const QString& path, const ServerSettings& server) {
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kServer));
    ini.setValue(QStringLiteral("Adres"), server.address);
    ini.setValue(QStringLiteral("Uzytkownik"), server.user);
    ini.setValue(QStringLiteral("Haslo"), server.password);
    ini.setValue(QStringLiteral("Sortowanie"), server.grouping ? 1 : 0);
    ini.setValue(QStringLiteral("Pokazuj"), server.onlyLogged ? 1 : 0);
    ini.endGroup();
    return Finish(ini);
}

bool SaveRepositorySection(const QString& path, const RepoSettings& repo) {
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kRepository));
    ini.setValue(QStringLiteral("Adres"), repo.address);
    ini.setValue(QStringLiteral("Uzytkownik"), repo.user);
    ini.setValue(QStringLiteral("Haslo"), repo.password);
    ini.setValue(QStringLiteral("Importuj"), repo.offline ? 1 : 0);
    ini.endGroup();
    return Finish(ini);
}

QList<ServerProfile> LoadProfiles(const QString& path) {
    QSettings ini(path, QSettings::IniFormat);
    QList<ServerProfile> profiles;
    for (int n = 1;; ++n) {
        ini.beginGroup(ProfileSection(n));
        ServerProfile p;
        p.name = ini.value(QStringLiteral("Nazwa")).toString();
        p.address = ini.value(QStringLiteral("Adres")).toString();
        p.user = ini.value(QStringLiteral("Uzytkownik")).toString();
        p.password = ini.value(QStringLiteral("Haslo")).toString();
        ini.endGroup();
        if (p.name.isEmpty()) break;
        profiles.append(p);
    }
    return profiles;
}

bool RewriteProfiles(const QString& path, const QList<ServerProfile>& profiles) {
    QSettings ini(path, QSettings::IniFormat);
    for (int n = 1;; ++n) {
        const QString section = ProfileSection(n);
        if (n <= profiles.size()) {
            const ServerProfile& p = profiles[n - 1];
            ini.beginGroup(section);
            ini.setValue(QStringLiteral("Nazwa"), p.name);
            ini.setValue(QStringLiteral("Adres"), p.address);
            ini.setValue(QStringLiteral("Uzytkownik"), p.user);
            ini.setValue(QStringLiteral("Haslo"), p.password);
            ini.endGroup();
            continue;
        }
        if (ini.value(section + QStringLiteral("/Nazwa")).toString().isEmpty()) break;
        ini.remove(section);
    }
    return Finish(ini);
}

void AddProfile(QList<ServerProfile>& profiles, int selected, const ServerProfile& profile) {
    if (selected < 0 || selected >= profiles.size()) {
        profiles.append(profile);
    } else {
        profiles.insert(selected, profile);
    }
}
