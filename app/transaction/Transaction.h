#pragma once
// The finishing steps as one transaction: every change they make to the machine is first
// recorded in the journal with what undoes it, so that a run ends with either the new
// installation complete or the machine as it was, even when the process dies half-way (the next
// run rolls back, see Recovery.h).
//
// Stage, then commit: the product's files are first written into a staging folder beside the
// installation directory, on its volume, and flushed; nothing visible changes. Then each step
// is journaled and done: folders made, staged files moved into place (a file already there is
// first moved, on the same volume, into the staging folder as its backup), shortcuts, registry
// values (every value written through install::RegistryKey while the transaction is open),
// settings. Commit writes the install record, then removes the backups and the journal; Rollback
// (or the destructor of a transaction neither committed nor rolled back) undoes in reverse.
//
// What the disk is made to wait for is what the time goes to (each flush is a trip to the disk):
// the staged files are flushed in the background while the next one is copied; the moves of all
// the staged files, with the earlier install record put aside, are journaled as one batch with
// one flush, all of it durable before the first move; Commit then writes the record in place.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/install/Registry.h"
#include "app/record/InstallRecord.h"
#include "app/transaction/BackgroundFlush.h"
#include "app/transaction/JournalFile.h"
#include "app/transaction/JournalFormat.h"

namespace transaction {

class Transaction : private install::RegistryUndoLog {
public:
    // Writes the journal's first record at `journalPath`, then makes the staging folder. Paths
    // are UTF-8; `installDir` may be relative (it is made full). `version`: the record's. Throws
    // InstallError, with nothing changed.
    Transaction(const std::string& journalPath, const std::string& installDir, std::string version);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Rolls back unless committed or rolled back already.
    ~Transaction();

    // The installation directory, full, ending with a backslash.
    const std::string& InstallDir() const { return installDir_; }

    // Staging: `write` writes the file `name` through the handle it is given, of a new file in
    // the staging folder, whose flush to the disk then starts in the background (PlaceStaged
    // waits for it). `write` is given the file's path too, for its errors. Throws what `write`
    // throws, or InstallError.
    void Stage(const std::string& name, const std::function<void(HANDLE file, const std::string& path)>& write);

    // Steps. Each throws InstallError when it fails, after which the caller rolls back.
    // Every missing level of `folder`; false (nothing thrown) when one cannot be made.
    bool MakeFolders(const std::string& folder);
    // The staged files moved to their targets, and the earlier install record (if any) put
    // aside for the one Commit writes: once every staged file is on the disk and every move is
    // journaled. An error names the file and its target.
    struct StagedFile {
        std::string Name;
        std::string Target;
    };
    void PlaceStaged(const std::vector<StagedFile>& files);
    // A shortcut `save` writes at `path`, a shortcut there already kept as a backup first.
    void WriteShortcut(const std::string& path, const std::function<void()>& save);
    // `key` = `value` in [`section`] of the settings file `file` (a full path); false when the
    // profile functions could not write it.
    bool WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value);

    // Writes install-record.txt in the installation directory (its step journaled by PlaceStaged,
    // or here when nothing was placed), then marks the journal committed and removes the backups,
    // the staging folder and the journal.
    void Commit();
    // Undoes every step done, in reverse, going on past a step that cannot be undone; returns
    // one text for each of those (empty: all undone).
    std::vector<std::string> Rollback() noexcept;
    bool Open() const { return open_; }

private:
    void KeyCreating(const std::string& root, const std::string& path) override;
    void ValueSetting(const std::string& root, const std::string& path, const std::string& name,
                      const std::optional<install::RegistryValue>& previous) override;
    // Journals the steps, flushed together, before the caller does them.
    void Record(std::vector<JournalStep> steps);
    void Record(JournalStep step) { Record(std::vector<JournalStep>{std::move(step)}); }
    // Where the file of the step that `index` will number is kept as it was.
    std::string Backup(std::size_t index) const;
    void FinishFlushes();
    void Close() noexcept;

    std::string installDir_;
    std::string staging_;  // ending with a backslash
    std::string version_;
    JournalWriter journal_;
    std::vector<JournalStep> steps_;
    std::vector<std::unique_ptr<BackgroundFlush>> flushes_;  // of the files staged and not yet placed
    bool recordAside_ = false;                               // its step journaled
    std::optional<record::TInstallRecord> earlierRecord_;
    bool open_ = true;
};

// Test seam for the crash test's installer alone (tests/e2e): called as each record is about to
// be journaled, with the number of steps done so far; the release build never sets it.
std::function<void(int stepsDone)>& BeforeEachRecord();

}  // namespace transaction
