#pragma once
// The users' hives /allusers scans besides the machine's: those loaded under HKEY_USERS (their
// users are logged on), and the profiles whose hive is not loaded, whose NTUSER.DAT Stellwick
// loads for the run under a temporary name below HKEY_USERS, through zbnRegistry3.
#include "stellwick/core/registration.h"
#include "stellwick/core/scan.h"
#include <string>
#include <vector>

// A user hive is named by a user's SID: not .DEFAULT, the service accounts' (S-1-5-18, -19,
// -20) or a hive of classes ("..._Classes").
bool IsUserSid(const std::wstring& name);

struct Profile {
    std::wstring sid;
    std::wstring hiveFile;  // the profile's NTUSER.DAT
};

struct UserHives {
    std::vector<Hive> loaded;
    std::vector<Profile> offline;
    std::vector<Failure> failures;  // HKEY_USERS or the profile list could not be read
};
UserHives FindUserHives();

// An offline profile's hive, loaded while this lives and unloaded when it goes, on every path.
class LoadedProfile {
public:
    explicit LoadedProfile(const Profile& profile);
    LoadedProfile(const LoadedProfile&) = delete;
    LoadedProfile& operator=(const LoadedProfile&) = delete;
    ~LoadedProfile();

    // The hive, reached through its temporary name; false with the failure when it could not
    // be loaded (in use, no rights, damaged).
    bool Get(Hive* hive, Failure* failure) const;
    // Unloads it now; false with the failure when it stays loaded.
    bool Unload(Failure* failure);

private:
    Profile profile_;
    std::wstring loadedAs_;
    Failure loadFailure_;
    bool loaded_ = false;
};
