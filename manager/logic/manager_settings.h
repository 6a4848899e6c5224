#pragma once
// The manager's settings file: an INI file named like the program with
// ".ini", beside the program (or in the user's configuration folder when the
// program's folder cannot be written). It is read once at start-up and
// written only by "&Manage"->OK (the "Serwer" section) and the Repository
// "&Write" button (the "Repozytorium" section); the profile sections of the
// "Configurations" dialog are rewritten by its "Add" and "Remove".
//
//   [Serwer]        Adres, Uzytkownik, Haslo, Sortowanie, Pokazuj
//   [Repozytorium]  Adres, Uzytkownik, Haslo, Importuj
//   [Zarzadzanie_1] Nazwa, Adres, Uzytkownik, Haslo   (numbered without gaps;
//   [Zarzadzanie_2] ...                                an empty Nazwa ends them)

#include <QList>
#include <QString>

#include "manager/logic/device_refresh.h"
#include "manager/logic/repo_requests.h"

// Where the settings file of the program at `programPath` lives: beside it
// when that folder is writable, else in `fallbackDir` (the user's
// configuration folder). The name is the program's with ".ini".
QString SettingsFilePath(const QString& programPath, const QString& fallbackDir);

struct ManagerSettings {
    ServerSettings server;
    RepoSettings repo;
};

// The two sections; a missing file or key gives the default.
ManagerSettings LoadManagerSettings(const QString& path);
// "Serwer": Adres, Uzytkownik, Haslo, Sortowanie, Pokazuj.
bool SaveServerSection(const QString& path, const ServerSettings& server);
// "Repozytorium": Adres, Uzytkownik, Haslo, Importuj.
bool SaveRepositorySection(const QString& path, const RepoSettings& repo);

// One saved server of the "Configurations" dialog.
struct ServerProfile {
    QString name;
    QString address;
    QString user;
    QString password;
    bool operator==(const ServerProfile&) const = default;
};

// "Zarzadzanie_1", "Zarzadzanie_2", ... up to the first whose "Nazwa" is
// empty or missing.
QList<ServerProfile> LoadProfiles(const QString& path);
// Section n receives profile n for every profile; after the list, sections
// whose "Nazwa" is not empty are erased, up to the first one with an empty
// "Nazwa".
bool RewriteProfiles(const QString& path, const QList<ServerProfile>& profiles);

// "Add" of the dialog: appended when nothing is selected (`selected` -1),
// otherwise inserted before the selected profile.
void AddProfile(QList<ServerProfile>& profiles, int selected, const ServerProfile& profile);
