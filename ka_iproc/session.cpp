// A host session: the named objects a run reads and writes (frames and
// numeric arrays), the warnings the runs add, and the C functions through
// which a module reaches them. Every session guards its own store with a
// mutex, so different host threads may use different sessions at once; the
// only state shared between sessions is the atomic timestamp counter.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

#include "host_api.h"
#include "ka_iproc_internal.h"

namespace ka_iproc {

namespace detail {

uint32_t NextFrameTimestamp() {
    static std::atomic<uint32_t> counter{0};
    uint32_t stamp;
    do {
        stamp = counter.fetch_add(1, std::memory_order_relaxed) + 1;
    } while (stamp == 0);  // 0 never names a frame: skip it when the counter wraps
    return stamp;
}

}  // namespace detail

namespace detail {

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

using FrameBlock = std::unique_ptr<uint8_t, FreeBlock>;

// A frame (a DIB block with its timestamp) or a numeric array.
struct NamedObject {
    FrameBlock frame;
    uint32_t timestamp = 0;
    std::vector<double> values;
    // Set when a run was handed the frame as an input.
    mutable bool lent = false;
    bool IsFrame() const { return frame != nullptr; }
};

}  // namespace detail

using detail::NamedObject;

struct Session::Impl {
    mutable std::mutex mutex;
    std::map<std::u16string, NamedObject> objects;
    std::vector<std::u16string> warnings;
    // Input frames a run was handed and then replaced by an output frame of
    // the same name: the run still reads them, so they stay until the host
    // next changes the session itself, which it does only between runs.
    std::vector<detail::FrameBlock> retired;

    // Called under the lock by every change the host makes: no run is going on.
    void ReleaseRetiredFrames() {
        retired.clear();
        for (auto& entry : objects) entry.second.lent = false;
    }

    // A new zero-filled frame under the name, or for a run the frame it may
    // keep (ReuseOutputFrame); the old object stays when the geometry is
    // invalid or the block cannot be had. A frame the host adds (fromHost)
    // ends the runs before it; one a run asks for keeps the frame it
    // replaces alive when that run was handed it.
    FrameHandle AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel,
                         bool fromHost) {
        if (width < 1 || height < 1) return nullptr;
        const size_t size = detail::FrameBlockSize(width, height, bitsPerPixel);
        if (size == 0) return nullptr;
        if (!fromHost) {
            if (FrameHandle kept = ReuseOutputFrame(name, width, height, bitsPerPixel)) return kept;
        }
        void* block = std::calloc(size, 1);
        if (!block) return nullptr;
        InitFrameDIB(block, width, height, bitsPerPixel);
        NamedObject object;
        object.frame.reset(static_cast<uint8_t*>(block));
        object.timestamp = detail::NextFrameTimestamp();
        std::lock_guard<std::mutex> lock(mutex);
        if (fromHost) ReleaseRetiredFrames();
        NamedObject& slot = objects[name];
        if (slot.lent) retired.push_back(std::move(slot.frame));
        slot = std::move(object);
        return block;
    }

    // A run asking for an output frame where the name already holds a frame
    // of exactly that geometry, which no run was handed as an input, gets that
    // frame back with a new timestamp, as a host that keeps its frames does:
    // a writable frame of the geometry asked for, holding whatever it held.
    // Null when there is no such frame.
    FrameHandle ReuseOutputFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel) {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = objects.find(name);
        if (found == objects.end() || !found->second.IsFrame() || found->second.lent) return nullptr;
        FrameHandle frame = found->second.frame.get();
        if (GetFrameWidth(frame) != width || GetFrameDepth(frame) != height || GetFrameBPP(frame) != bitsPerPixel) {
            return nullptr;
        }
        found->second.timestamp = detail::NextFrameTimestamp();
        return frame;
    }

    void SetValues(const std::u16string& name, std::vector<double> values) {
        NamedObject object;
        object.values = std::move(values);
        std::lock_guard<std::mutex> lock(mutex);
        ReleaseRetiredFrames();
        objects[name] = std::move(object);
    }

    // Runs fn on the object of that name under the lock; false when there is none.
    template <class Fn>
    bool With(const std::u16string& name, Fn fn) const {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = objects.find(name);
        if (found == objects.end()) return false;
        return fn(found->second);
    }
};

Session::Session() : impl_(new Impl) {}
Session::~Session() = default;

FrameHandle Session::AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel) {
    return impl_->AddFrame(name, width, height, bitsPerPixel, true);
}

void Session::AddNumber(const std::u16string& name, double value) { impl_->SetValues(name, {value}); }

void Session::AddArray(const std::u16string& name, const std::vector<double>& values) {
    impl_->SetValues(name, values);
}

void Session::Remove(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ReleaseRetiredFrames();
    impl_->objects.erase(name);
}

FrameHandle Session::FindFrame(const std::u16string& name) const {
    FrameHandle frame = nullptr;
    impl_->With(name, [&](const NamedObject& object) {
        frame = object.frame.get();
        return true;
    });
    return frame;
}

uint32_t Session::FrameTimestamp(const std::u16string& name) const {
    uint32_t stamp = 0;
    impl_->With(name, [&](const NamedObject& object) {
        stamp = object.timestamp;
        return true;
    });
    return stamp;
}

bool Session::TouchFrame(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ReleaseRetiredFrames();
    const auto found = impl_->objects.find(name);
    if (found == impl_->objects.end() || !found->second.IsFrame()) return false;
    found->second.timestamp = detail::NextFrameTimestamp();
    return true;
}

const std::vector<std::u16string>& Session::Warnings() const { return impl_->warnings; }

void Session::ClearWarnings() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ReleaseRetiredFrames();
    impl_->warnings.clear();
}

}  // namespace ka_iproc

using ka_iproc::detail::ReadName;

namespace {

ka_iproc::Session::Impl* SessionOf(void* host) {
    return host ? static_cast<ka_iproc::Session*>(host)->impl() : nullptr;
}

template <class T>
void Clear(T* out, T value) {
    if (out) *out = value;
}

}  // namespace

extern "C" {

// The list context is not needed: the list alone says which object each
// parameter is wired to.
bool GetParameterName(void* list, void* /*listContext*/, int32_t index, int32_t nameMax, char16_t* name) {
    const auto* parameters = static_cast<const ka_iproc::ParameterList*>(list);
    std::u16string found;
    if (parameters && index >= 0 && static_cast<size_t>(index) < parameters->Names().size()) {
        found = parameters->Names()[index];
    }
    ka_iproc::detail::CopyName(name, nameMax, found);
    return !found.empty();  // an empty name is a parameter left unwired
}

bool GetInputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame) {
    return GetInputFrameTimestamp(host, nameMax, name, frame, nullptr);
}

bool GetInputFrameTimestamp(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame,
                            uint32_t* timestamp) {
    Clear<FrameHandle>(frame, nullptr);
    Clear<uint32_t>(timestamp, 0);
    ka_iproc::Session::Impl* session = SessionOf(host);
    if (!session) return false;
    return session->With(ReadName(nameMax, name), [&](const ka_iproc::NamedObject& object) {
        if (!object.IsFrame()) return false;
        object.lent = true;
        Clear<FrameHandle>(frame, object.frame.get());
        Clear(timestamp, object.timestamp);
        return true;
    });
}

bool GetOutputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame, int32_t width,
                    int32_t height, int32_t bitsPerPixel) {
    Clear<FrameHandle>(frame, nullptr);
    ka_iproc::Session::Impl* session = SessionOf(host);
    const std::u16string key = ReadName(nameMax, name);
    if (!session || key.empty()) return false;
    FrameHandle created = session->AddFrame(key, width, height, bitsPerPixel, false);
    Clear(frame, created);
    return created != nullptr;
}

bool GetNumber(void* host, int32_t nameMax, const char16_t* name, int32_t element, double** value) {
    Clear<double*>(value, nullptr);
    ka_iproc::Session::Impl* session = SessionOf(host);
    if (!session || element < 0) return false;
    return session->With(ReadName(nameMax, name), [&](const ka_iproc::NamedObject& object) {
        if (object.IsFrame() || static_cast<size_t>(element) >= object.values.size()) return false;
        Clear(value, const_cast<double*>(&object.values[element]));
        return true;
    });
}

bool GetObjectMaxIndex(void* host, int32_t nameMax, const char16_t* name, int32_t* maxIndex) {
    Clear(maxIndex, -1);
    ka_iproc::Session::Impl* session = SessionOf(host);
    if (!session) return false;
    return session->With(ReadName(nameMax, name), [&](const ka_iproc::NamedObject& object) {
        // A frame is one object; an array's highest index is its size less one.
        const size_t count = object.IsFrame() ? 1 : object.values.size();
        Clear(maxIndex, static_cast<int32_t>(std::min<size_t>(count, INT32_MAX)) - 1);
        return true;
    });
}

bool AddWarning(void* host, int32_t textMax, const char16_t* text) {
    ka_iproc::Session::Impl* session = SessionOf(host);
    if (!session || !text || textMax < 0) return false;
    std::u16string warning(text, ka_iproc::detail::TextLength(text, static_cast<size_t>(textMax)));
    std::lock_guard<std::mutex> lock(session->mutex);
    session->warnings.push_back(std::move(warning));
    return true;
}

}  // extern "C"
