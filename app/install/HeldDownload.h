#pragma once
// One downloaded file, held open from its creation in the run's download folder until the
// finishing steps have copied it. Other processes may read it (sharing writes with us), never
// write, rename, replace or delete it; the download writes through this handle and the copy
// reads through it. So the bytes whose SHA-256 the download checked are the bytes installed.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/verify/Sha256.h"
#include "ui/OwnedHandle.h"

namespace install {

class HeldDownload {
public:
    // Creates `folder` + `name` (UTF-8, `folder` ending with a backslash); the name must be new.
    // Throws std::runtime_error "Cannot create file <path>: <reason>".
    HeldDownload(const std::string& folder, const std::string& name);
    // The download of `name` kept across runs in `folder` + `fileName`: the file a previous run
    // left there, opened as it is (never through a link, never a file with other names: either is
    // removed and the file made anew), or a new empty one. Throws as the constructor does.
    static std::unique_ptr<HeldDownload> Kept(const std::string& folder, const std::string& fileName,
                                              const std::string& name);
    HeldDownload(const HeldDownload&) = delete;
    HeldDownload& operator=(const HeldDownload&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }
    // Read and write access: the download engine writes the body through it.
    HANDLE Handle() const { return file_.Get(); }
    std::uint64_t Size() const;
    // Empties the file, which no longer counts as verified; throws std::runtime_error.
    void Empty();
    // Hands every byte of the file, from its first, to `sink` in blocks (a kept part whose hash
    // goes on); raises DamagedDownloadError when it cannot be read.
    void ReadFromStart(const std::function<void(const char*, std::size_t)>& sink) const;
    // The file goes when this object does, whatever its name leads to by then. Only a kept file
    // (Kept) can be removed so; for a file of a run's own folder this does nothing.
    void RemoveWhenClosed();

    // The download's check accepted the content, whose SHA-256 is `digest`.
    void Verified(const verify::Sha256Digest& digest) { verified_ = digest; }
    // Reads the file again from its first byte; raises DamagedDownloadError when it was never
    // verified or no longer has the digest it was verified with.
    void CheckUnchanged() const;
    // Writes the file to `to` (replacing it), reading from its first byte through the handle and
    // hashing what it writes. Raises InstallError when `to` cannot be written, and
    // DamagedDownloadError, `to` removed, when what was written is not what was verified.
    void CopyTo(const std::string& to) const;
    // The same into `out`, a new file open for writing that `to` names (in an error); what it
    // raises, `out` is left for its owner to remove.
    void CopyInto(HANDLE out, const std::string& to) const;

private:
    HeldDownload(std::string name, std::string path, HANDLE file);
    // Reads the whole file from its first byte, hands each block to `sink` when there is one,
    // and returns the SHA-256 of what it read.
    template <typename Sink>
    verify::Sha256Digest ReadAll(Sink&& sink) const;
    [[noreturn]] void Refuse(const std::string& why) const;

    std::string name_;
    std::string path_;
    ui::OwnedHandle file_;
    std::optional<verify::Sha256Digest> verified_;
};

}  // namespace install
