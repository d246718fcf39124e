// CFilter: the base of every method object the module hands to the host.
#pragma once

#include <cstdint>

#include "method_inputs.h"

class RunFrame;

class CFilter {
public:
    explicit CFilter(int32_t methodIndex) : CFilter(methodIndex, MethodInputs(methodIndex)) {}
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    // Runs the method once on the frames and numbers the host wired to its
    // inputs: builds the run frame, fetches the input frame and hands the
    // rest to the method's Step. Returns false after placing an
    // "error: ..." text in errorBuf.
    virtual bool Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                     int32_t errorMax, char16_t* errorBuf) final;
    // Frees the object's scratch buffers (in the subclasses), then the object.
    virtual ~CFilter() = default;

    int32_t MethodIndex() const { return methodIndex; }

protected:
    // For a method object whose inputs are declared outside the catalogue.
    CFilter(int32_t methodIndex, const CatalogueInput* declaredInputs)
        : methodIndex(methodIndex), declaredInputs(declaredInputs) {}

    // The method's own part of the run, once the input frame is there: it
    // fetches the output frame where its order of host calls wants it, reads
    // its inputs, and runs its engine. Same result as Run.
    virtual bool Step(RunFrame& frame) = 0;

    // Compares the geometry with the cache and stores it at once; true when
    // anything differs. Filters that cache only width and height pass bpp -1.
    bool UpdateGeometryCache(int32_t width, int32_t height, int32_t bpp) {
        const bool changed = width != cachedWidth || height != cachedHeight || bpp != cachedBpp;
        cachedWidth = width;
        cachedHeight = height;
        cachedBpp = bpp;
        return changed;
    }

    int32_t methodIndex;
    int32_t cachedWidth = -1;
    int32_t cachedHeight = -1;
    int32_t cachedBpp = -1;

private:
    const CatalogueInput* declaredInputs;
};
