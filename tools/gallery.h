// The demo's gallery: one HTML page that shows, for every method, the input
// beside each output with the method's name and description, the parameters
// of the run, its warnings and its time, plus the sample scene and the line
// scanners' profiles. Images are separate files next to the page.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kaf_tool {

// A picture with a caption (scene images, scan plots).
struct GalleryFigure {
    std::string file;     // relative to the page
    std::string caption;
};

// One run of a method.
struct GalleryRun {
    GalleryFigure input;
    GalleryFigure output;                                   // file empty when the run failed
    std::vector<std::pair<std::string, std::string>> parameters;  // (name, value); empty: the defaults
    std::string lesson;                                     // what to look at
    std::vector<std::string> warnings;
    std::string error;                                      // the method's error text when it failed
    std::string time;                                       // "1.234 ms ..."
};

struct GalleryMethod {
    std::string name;
    std::string description;
    std::string group;
    bool available = true;  // false: the module has no object for it yet
    std::vector<GalleryRun> runs;
};

struct Gallery {
    std::string title;
    std::string introduction;             // HTML
    std::vector<GalleryFigure> scene;
    std::string sceneNotes;               // HTML
    std::vector<GalleryMethod> methods;
    std::string scanNotes;                // HTML
    std::vector<GalleryFigure> scans;     // the scan lines drawn on the scene, then the plots
    std::string footer;                   // plain text
};

std::string RenderGalleryHtml(const Gallery& gallery);

}  // namespace kaf_tool
