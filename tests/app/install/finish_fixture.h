#pragma once
// A downloaded set of four files in a scratch temporary directory, a form state pointing at the
// real shell folders of the prefix, and the removal of everything an installation writes.
#include "app/install/DownloadFolder.h"
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/install/Registry.h"
#include "app/install/ShellLink.h"
#include "app/release/ReleaseManifest.h"

#include "InstallTestSupport.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace installtest {

inline const char* const kUninstallKeys[] = {
    "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane Version de base",
    "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane Basic version"};

// The value that starts the product with Windows, or "<missing>".
inline std::string RunValue() {
    return ReadRegPath(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "QuorvaneRaRozo");
}

// Removes every trace of an installation from the prefix, so that the tests can repeat.
inline void RemoveInstallation(const std::string& programs, const std::string& desktop) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Quorvane");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Quorvane");
    for (const char* key : kUninstallKeys) RegDeleteKeyW(HKEY_LOCAL_MACHINE, encoding::Widen(key).c_str());
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_SET_VALUE,
                      &run) == ERROR_SUCCESS) {
        RegDeleteValueW(run, L"QuorvaneRaRozo");
        RegCloseKey(run);
    }
    if (!programs.empty()) RemoveTree(programs + "Quorvane");
    if (!desktop.empty()) {
        DeleteFileW(encoding::Widen(desktop + "\\Quorvane De Base.Lnk").c_str());
        DeleteFileW(encoding::Widen(desktop + "\\Quorvane Basic.Lnk").c_str());
    }
    DeleteFileW(encoding::WidenPath(SettingsFilePath()).c_str());
    RemoveTree("C:\\Program Files\\Quorvane");
}

class FinishFixture : public ::testing::Test {
protected:
    void Begin(const std::string& language, const std::string& installDir) {
        session.reset();  // its end empties the translator the next one sets
        session = std::make_unique<Session>(language);
        ProgramsPath = install::ReadProgramsPath();
        DesktopPath = install::ReadDesktopPath();
        RemoveInstallation(ProgramsPath, DesktopPath);
        InstallDir = installDir;
        InstallDone = 0;
        statusLines.clear();
        downloads.reset();
        downloads.emplace(scratch.Path());
        accepted = {};
        accepted.Version = "3.1.4-test";
        accepted.Sequence = 42;
        DownloadDir = downloads->Path();
        // The downloaded files; quorvane.exe is a real program so that it can be started.
        sources["quorvane.exe"] = ReadWholeFile(ProgramDir() + "install_launch_probe.exe");
        sources["miseajour.exe"] = "MZ update " + language;
        sources["quorvane.ini"] = "[Quorvane]\r\nedition=basic\r\n";
        sources["uninstall.exe"] = std::string("MZ\0\x01\xFF uninstall", 15);
        for (const auto& [name, bytes] : sources) Download(name, bytes);
    }
    // `bytes` downloaded as `name`, as the download leaves a file of the release: held open,
    // verified with the SHA-256 of what it holds.
    void Download(const std::string& name, const std::string& bytes) {
        sources[name] = bytes;
        install::HeldDownload& file = downloads->Hold(name);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Handle(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
        verify::Sha256 hash;
        hash.Update(bytes.data(), bytes.size());
        const verify::Sha256Digest digest = hash.Finish();
        file.Verified(digest);
        std::erase_if(accepted.Files, [&](const release::TReleaseFile& listed) { return listed.Name == name; });
        accepted.Files.push_back({name, bytes.size(), digest});
    }
    // Begin, into `name` in the scratch folder, made already.
    void BeginIn(const std::string& language, const std::string& name) {
        Begin(language, scratch.Path() + name);
        CreateDirectoryW(encoding::WidenPath(InstallDir).c_str(), nullptr);
    }
    // Runs the finishing steps and gives the error they raise ("" when none).
    std::string Finish() {
        try {
            install::FinishInstall(State());
        } catch (const install::InstallError& e) {
            return e.what();
        } catch (const inuse::FilesInUseError& e) {
            return e.what();
        }
        return "";
    }
    void TearDown() override {
        transaction.reset();
        install::TestRegistryFaults() = {};
        ui::Application::Instance().ErrorHook = nullptr;
        RemoveInstallation(ProgramsPath, DesktopPath);
        session.reset();
    }
    static std::string LocationValue() {
        return ReadRegPath(HKEY_LOCAL_MACHINE, install::kLocationKey, install::kLocationValue);
    }
    // The probe standing in for quorvane.exe writes launched.txt when it runs.
    bool Launched(DWORD waitMs) {
        for (DWORD waited = 0; waited <= waitMs; waited += 50) {
            if (Exists(InstallDir + "launched.txt")) return true;
            Sleep(50);
        }
        return false;
    }
    // The current directory the probe was started in, as Windows gives it (no final backslash).
    std::string LaunchedIn() {
        const std::string written = ReadWholeFile(InstallDir + "launched.txt");
        return encoding::NarrowPath(
            std::wstring(reinterpret_cast<const wchar_t*>(written.data()), written.size() / sizeof(wchar_t)));
    }
    install::InstallState State() {
        return {InstallDir,  downloads ? &*downloads : nullptr,
                DesktopPath, ProgramsPath,
                Cancelled,   InstallDone,
                transaction, [this](const std::string& s) { statusLines.push_back(s); },
                {},          &accepted};
    }

    TemporaryFolder scratch{"qv-finish"};
    std::unique_ptr<Session> session;
    std::map<std::string, std::string> sources;
    std::vector<std::string> statusLines;
    std::optional<install::DownloadFolder> downloads;  // made by Begin
    release::TRelease accepted;                        // what Download() gave, as a manifest lists it
    std::string InstallDir, DownloadDir, DesktopPath, ProgramsPath;
    std::uint8_t Cancelled = 0, InstallDone = 0;
    install::TransactionHolder transaction;
};

}  // namespace installtest
