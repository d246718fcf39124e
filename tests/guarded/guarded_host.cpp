#include "guarded_host.h"

#if defined(KAF_GUARD_PAGES)

#include <dlfcn.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

namespace kaf_guard {

namespace {

constexpr uint8_t kSlackFill = 0xC3;

size_t PageSize() {
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return page;
}

size_t RoundUpToPages(size_t bytes) {
    const size_t page = PageSize();
    return (bytes + page - 1) / page * page;
}

// --- the run in progress, for the fault report -----------------------------

char gCaseLabel[512] = "(no run)";
struct sigaction gPreviousAction;

void WriteText(const char* text) {
    const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
    (void)written;
}

// Prints which run touched a guard page, then lets the previous handler (the
// default one, or a sanitizer's) deal with the fault when it recurs.
void OnFault(int, siginfo_t* info, void*) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", info->si_addr);
    WriteText("\n*** guarded frames: memory access outside a frame block at ");
    WriteText(address);
    WriteText(" during: ");
    WriteText(gCaseLabel);
    WriteText("\n");
    sigaction(SIGSEGV, &gPreviousAction, nullptr);
}

void InstallFaultReporter() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, &gPreviousAction);
    });
}

// --- sessions whose frames are guarded ---------------------------------------

std::mutex gRegistryMutex;
std::unordered_map<void*, GuardedHost*>& Registry() {
    static std::unordered_map<void*, GuardedHost*> registry;
    return registry;
}

GuardedHost* Find(void* host) {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    const auto found = Registry().find(host);
    return found == Registry().end() ? nullptr : found->second;
}

uint32_t NextTimestamp() {
    // Far from the host library's own counter, so stamps never repeat within a test.
    static std::atomic<uint32_t> counter{0x80000000u};
    return counter.fetch_add(1) + 1;
}

std::u16string NameOf(int32_t nameMax, const char16_t* name) {
    std::u16string text;
    for (int32_t i = 0; name && i <= nameMax && name[i] != u'\0'; ++i) text.push_back(name[i]);
    return text;
}

// Size of a frame block of that geometry as the host library lays it out.
size_t FrameBlockSize(int32_t width, int32_t height, int32_t bitsPerPixel) {
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<uint16_t>(bitsPerPixel);
    return GetFrameSize(&header);
}

size_t HeadSize(FrameHandle frame) { return static_cast<size_t>(GetFrameDataAddr(frame) - static_cast<uint8_t*>(frame)); }

}  // namespace

void SetCaseLabel(const std::string& label) {
    std::snprintf(gCaseLabel, sizeof gCaseLabel, "%s", label.c_str());
}

// --- GuardedBlock ------------------------------------------------------------

// Mappings of released blocks, by size, guard pages still in place: the
// tests make and drop hundreds of thousands of tiny frames, and unmapping
// each one costs more than the run it served.
std::mutex gPoolMutex;
std::multimap<size_t, uint8_t*>& Pool() {
    static std::multimap<size_t, uint8_t*> pool;
    return pool;
}

uint8_t* TakeMapping(size_t mappingSize) {
    {
        std::lock_guard<std::mutex> lock(gPoolMutex);
        const auto found = Pool().find(mappingSize);
        if (found != Pool().end()) {
            uint8_t* mapping = found->second;
            Pool().erase(found);
            return mapping;
        }
    }
    void* mapping = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        std::perror("mmap");
        std::abort();
    }
    const size_t page = PageSize();
    uint8_t* bytes = static_cast<uint8_t*>(mapping);
    mprotect(bytes, page, PROT_NONE);
    mprotect(bytes + mappingSize - page, page, PROT_NONE);
    return bytes;
}

void ReleaseMapping(uint8_t* mapping, size_t mappingSize) {
    std::lock_guard<std::mutex> lock(gPoolMutex);
    if (Pool().size() < 256) {
        Pool().emplace(mappingSize, mapping);
    } else {
        munmap(mapping, mappingSize);
    }
}

GuardedBlock::GuardedBlock(size_t size, Placement placement) : size_(size) {
    InstallFaultReporter();
    const size_t page = PageSize();
    const size_t middle = RoundUpToPages(std::max<size_t>(size, 1));
    mappingSize_ = middle + 2 * page;
    mapping_ = TakeMapping(mappingSize_);
    std::memset(mapping_ + page, kSlackFill, middle);
    data_ = placement == Placement::AgainstEnd ? mapping_ + page + middle - size : mapping_ + page;
}

GuardedBlock::~GuardedBlock() {
    SetReadOnly(false);
    ReleaseMapping(mapping_, mappingSize_);
}

void GuardedBlock::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_) return;
    readOnly_ = readOnly;
    const size_t page = PageSize();
    mprotect(mapping_ + page, mappingSize_ - 2 * page, readOnly ? PROT_READ : PROT_READ | PROT_WRITE);
}

std::string GuardedBlock::CheckSlack() const {
    const size_t page = PageSize();
    const uint8_t* begin = mapping_ + page;
    const uint8_t* end = mapping_ + mappingSize_ - page;
    for (const uint8_t* p = begin; p < end; ++p) {
        if (p == data_) p += size_;
        if (p < end && *p != kSlackFill) {
            return p < data_ ? "byte " + std::to_string(data_ - p) + " before the block written"
                             : "byte " + std::to_string(p - (data_ + size_) + 1) + " after the block written";
        }
    }
    return {};
}

// --- GuardedFrame ------------------------------------------------------------

GuardedFrame::GuardedFrame(int32_t width, int32_t height, int32_t bitsPerPixel, Placement placement, uint8_t fill) {
    const size_t size = FrameBlockSize(width, height, bitsPerPixel);
    if (size == 0) return;
    block_ = std::make_unique<GuardedBlock>(size, placement);
    InitFrameDIB(block_->Data(), width, height, bitsPerPixel);
    const size_t head = HeadSize(block_->Data());
    head_.assign(block_->Data(), block_->Data() + head);
    std::memset(block_->Data() + head, fill, size - head);
    timestamp_ = NextTimestamp();
}

std::string GuardedFrame::Check() const {
    if (!block_) return {};
    const std::string slack = block_->CheckSlack();
    if (!slack.empty()) return slack;
    if (std::memcmp(block_->Data(), head_.data(), head_.size()) != 0) return "header or palette overwritten";
    return {};
}

// --- GuardedHost -------------------------------------------------------------

GuardedHost::GuardedHost(Placement placement, uint8_t outputFill) : placement_(placement), outputFill_(outputFill) {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    Registry()[session_.Handle()] = this;
}

GuardedHost::~GuardedHost() {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    Registry().erase(session_.Handle());
}

FrameHandle GuardedHost::AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel,
                                  const std::vector<uint8_t>& rows) {
    auto frame = std::make_unique<GuardedFrame>(width, height, bitsPerPixel, placement_, 0);
    FrameHandle handle = frame->Handle();
    if (!handle) return nullptr;
    ka_iproc::SetFramePixels(handle, rows);
    frames_[name] = std::move(frame);
    isOutput_[name] = false;
    session_.Remove(name);
    return handle;
}

FrameHandle GuardedHost::Frame(const std::u16string& name) const {
    const auto found = frames_.find(name);
    return found == frames_.end() ? nullptr : found->second->Handle();
}

void GuardedHost::SetInputsReadOnly(bool readOnly) {
    for (const auto& [name, frame] : frames_) {
        if (!isOutput_.at(name)) frame->Block()->SetReadOnly(readOnly);
    }
}

std::string GuardedHost::Check() const {
    std::string report;
    for (const auto& [name, frame] : frames_) {
        const std::string damage = frame->Check();
        if (!damage.empty()) report += ka_iproc::Utf8(name) + ": " + damage + "; ";
    }
    return report;
}

bool GuardedHost::FindFrame(const std::u16string& name, FrameHandle* frame, uint32_t* timestamp) const {
    const auto found = frames_.find(name);
    if (found == frames_.end()) return false;
    if (frame) *frame = found->second->Handle();
    if (timestamp) *timestamp = found->second->Timestamp();
    return true;
}

FrameHandle GuardedHost::NewOutputFrame(const std::u16string& name, int32_t width, int32_t height,
                                        int32_t bitsPerPixel) {
    if (width < 1 || height < 1 || name.empty()) return nullptr;
    auto frame = std::make_unique<GuardedFrame>(width, height, bitsPerPixel, placement_, outputFill_);
    FrameHandle handle = frame->Handle();
    if (!handle) return nullptr;
    frames_[name] = std::move(frame);
    isOutput_[name] = true;
    session_.Remove(name);
    return handle;
}

}  // namespace kaf_guard

// --- the host library's frame functions, as the module sees them ---------------

namespace {

template <class Fn>
Fn Next(const char* name) {
    void* found = dlsym(RTLD_NEXT, name);
    if (!found) {
        std::fprintf(stderr, "guarded frames: no host library function %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Fn>(found);
}

}  // namespace

extern "C" {

bool GetInputFrameTimestamp(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame,
                            uint32_t* timestamp) {
    if (kaf_guard::GuardedHost* guarded = kaf_guard::Find(host)) {
        if (frame) *frame = nullptr;
        if (timestamp) *timestamp = 0;
        if (guarded->FindFrame(kaf_guard::NameOf(nameMax, name), frame, timestamp)) return true;
    }
    static const auto next = Next<decltype(&GetInputFrameTimestamp)>("GetInputFrameTimestamp");
    return next(host, nameMax, name, frame, timestamp);
}

bool GetInputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame) {
    return GetInputFrameTimestamp(host, nameMax, name, frame, nullptr);
}

bool GetOutputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame, int32_t width,
                    int32_t height, int32_t bitsPerPixel) {
    if (kaf_guard::GuardedHost* guarded = kaf_guard::Find(host)) {
        FrameHandle created = guarded->NewOutputFrame(kaf_guard::NameOf(nameMax, name), width, height, bitsPerPixel);
        if (frame) *frame = created;
        return created != nullptr;
    }
    static const auto next = Next<decltype(&GetOutputFrame)>("GetOutputFrame");
    return next(host, nameMax, name, frame, width, height, bitsPerPixel);
}

}  // extern "C"

#endif  // KAF_GUARD_PAGES
