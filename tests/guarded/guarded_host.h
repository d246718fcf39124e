// A host whose frames lie between inaccessible guard pages. Every frame block
// is placed either against the guard page after it (a read or write one byte
// past the block faults at once) or against the guard page before it; the
// bytes between the block and the other guard page hold a fill pattern that
// Check() verifies after the run, together with the frame header and palette
// (which a write before row 0 would land in). Input frames are read-only
// while a run is in progress, so a method that writes its input faults too.
//
// The module reaches frames only through the host library's functions, so
// this test program defines GetInputFrame, GetInputFrameTimestamp and
// GetOutputFrame itself: the dynamic linker binds the module's calls to the
// program's definitions, which serve the sessions registered here and hand
// every other call on to the host library.
#pragma once

// Guard pages need mmap and the ELF dynamic linker's symbol interposition:
// Linux only. Elsewhere the guarded tests compile to nothing.
#if defined(__linux__)
#define KAF_GUARD_PAGES 1

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host_api.h"

namespace kaf_guard {

enum class Placement { AgainstEnd, AgainstStart };

// A block of memory between two inaccessible pages.
class GuardedBlock {
public:
    GuardedBlock(size_t size, Placement placement);
    ~GuardedBlock();
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;

    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    // Makes the block's pages read-only, or writable again.
    void SetReadOnly(bool readOnly);
    // Empty when every byte between the block and the guard pages still holds
    // the fill pattern; otherwise says where the first damaged byte is.
    std::string CheckSlack() const;

private:
    uint8_t* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool readOnly_ = false;
};

// A frame laid out by InitFrameDIB in a guarded block.
class GuardedFrame {
public:
    // Null frame (Handle() == nullptr) when the geometry gives no block.
    GuardedFrame(int32_t width, int32_t height, int32_t bitsPerPixel, Placement placement, uint8_t fill);

    FrameHandle Handle() const { return block_ ? block_->Data() : nullptr; }
    uint32_t Timestamp() const { return timestamp_; }
    GuardedBlock* Block() const { return block_.get(); }
    // Empty when the slack, the header and the palette are intact.
    std::string Check() const;

private:
    std::unique_ptr<GuardedBlock> block_;
    std::vector<uint8_t> head_;  // header and palette as laid out
    uint32_t timestamp_ = 0;
};

// A host session whose frames are guarded. Numbers, arrays and warnings live
// in the ordinary session; frames added here and every output frame a run
// asks for live in guarded blocks.
class GuardedHost {
public:
    // Output frames are handed out with their pixel rows filled with `fill`.
    GuardedHost(Placement placement, uint8_t outputFill);
    ~GuardedHost();
    GuardedHost(const GuardedHost&) = delete;
    GuardedHost& operator=(const GuardedHost&) = delete;

    void* Handle() { return session_.Handle(); }
    ka_iproc::Session& Session() { return session_; }

    // A guarded frame under the name holding the given pixel rows (stride
    // bytes each, as many as fit); null for a geometry without a block.
    FrameHandle AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel,
                         const std::vector<uint8_t>& rows);
    FrameHandle Frame(const std::u16string& name) const;
    // Read-only input frames while a run is in progress.
    void SetInputsReadOnly(bool readOnly);
    // Empty when every frame block is intact; otherwise names the damage.
    std::string Check() const;

    // Called by the interposed host functions.
    bool FindFrame(const std::u16string& name, FrameHandle* frame, uint32_t* timestamp) const;
    FrameHandle NewOutputFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel);

private:
    ka_iproc::Session session_;
    Placement placement_;
    uint8_t outputFill_;
    std::map<std::u16string, std::unique_ptr<GuardedFrame>> frames_;
    std::map<std::u16string, bool> isOutput_;
};

// The text a guard-page fault prints, naming the run that was in progress.
void SetCaseLabel(const std::string& label);

}  // namespace kaf_guard

#endif  // __linux__
