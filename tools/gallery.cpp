#include "gallery.h"

#include "svg_plot.h"

namespace kaf_tool {

namespace {

const char kStyle[] = R"(<style>
body { font-family: Helvetica, Arial, sans-serif; margin: 0; color: #1f2933; background: #f5f7fa; }
header, main, footer { max-width: 1120px; margin: 0 auto; padding: 0 20px; }
header { padding-top: 24px; }
h1 { font-size: 26px; margin: 0 0 8px; }
h2 { font-size: 21px; margin: 34px 0 4px; }
h2 code { background: none; padding: 0; }
p { line-height: 1.45; }
code { background: #e4e7eb; padding: 1px 4px; border-radius: 3px; }
nav { margin: 14px 0; line-height: 1.9; }
nav a { margin-right: 10px; white-space: nowrap; }
nav a.missing { color: #9aa5b1; }
.description { color: #52606d; margin: 0 0 10px; }
.group { color: #7b8794; font-size: 13px; margin-left: 8px; font-weight: normal; }
.run { background: #fff; border: 1px solid #d9e2ec; border-radius: 6px; padding: 12px; margin: 12px 0; }
.pair { display: flex; gap: 12px; flex-wrap: wrap; }
figure { margin: 0; flex: 1 1 400px; max-width: 540px; }
figure img { width: 100%; height: auto; border: 1px solid #cbd2d9; image-rendering: auto; }
figcaption { font-size: 13px; color: #52606d; margin-top: 4px; }
.facts { font-size: 14px; margin-top: 8px; }
.facts span { margin-right: 16px; }
.lesson { margin: 6px 0 0; }
.warning { color: #8d2b0b; background: #fff3c4; padding: 2px 6px; border-radius: 3px; display: inline-block; margin: 3px 0; }
.error { color: #a61b1b; font-weight: 600; }
.missing-note { background: #fff; border: 1px dashed #9aa5b1; border-radius: 6px; padding: 14px; color: #616e7c; }
.plots figure { max-width: 900px; flex-basis: 100%; }
footer { color: #7b8794; font-size: 13px; padding: 30px 20px; }
</style>
)";

std::string Figure(const GalleryFigure& figure) {
    std::string file = EscapeMarkup(figure.file);
    return "<figure><a href=\"" + file + "\"><img src=\"" + file + "\" alt=\"" + EscapeMarkup(figure.caption) +
           "\" loading=\"lazy\"></a><figcaption>" + EscapeMarkup(figure.caption) + "</figcaption></figure>\n";
}

std::string Run(const GalleryRun& run) {
    std::string html = "<div class=\"run\">\n<div class=\"pair\">\n" + Figure(run.input);
    if (!run.output.file.empty()) html += Figure(run.output);
    html += "</div>\n<div class=\"facts\"><span><b>Parameters:</b> ";
    if (run.parameters.empty()) html += "the defaults";
    for (size_t i = 0; i < run.parameters.size(); ++i) {
        html += (i ? ", " : "") + EscapeMarkup(run.parameters[i].first) + " = <code>" +
                EscapeMarkup(run.parameters[i].second) + "</code>";
    }
    html += "</span>";
    if (!run.time.empty()) html += "<span><b>Time:</b> " + EscapeMarkup(run.time) + "</span>";
    html += "<br>";
    if (run.warnings.empty() && run.error.empty()) html += "<span><b>Warnings:</b> none</span>";
    for (const std::string& warning : run.warnings) {
        html += "<span class=\"warning\">warning: " + EscapeMarkup(warning) + "</span> ";
    }
    if (!run.error.empty()) html += "<span class=\"error\">" + EscapeMarkup(run.error) + "</span>";
    html += "</div>\n";
    if (!run.lesson.empty()) html += "<p class=\"lesson\">" + EscapeMarkup(run.lesson) + "</p>\n";
    return html + "</div>\n";
}

std::string Method(const GalleryMethod& method) {
    std::string html = "<section id=\"" + EscapeMarkup(method.name) + "\">\n<h2><code>" +
                       EscapeMarkup(method.name) + "</code><span class=\"group\">" + EscapeMarkup(method.group) +
                       "</span></h2>\n<p class=\"description\">" + EscapeMarkup(method.description) + "</p>\n";
    if (!method.available) {
        html += "<div class=\"missing-note\">not available: the loaded module has no object for this method "
                "yet (InitMethod gives 0).</div>\n";
    }
    for (const GalleryRun& run : method.runs) html += Run(run);
    return html + "</section>\n";
}

}  // namespace

std::string RenderGalleryHtml(const Gallery& gallery) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       EscapeMarkup(gallery.title) + "</title>\n" + kStyle + "</head>\n<body>\n<header>\n<h1>" +
                       EscapeMarkup(gallery.title) + "</h1>\n" + gallery.introduction + "\n<nav>";
    for (const GalleryMethod& method : gallery.methods) {
        html += "<a href=\"#" + EscapeMarkup(method.name) + "\"" + (method.available ? "" : " class=\"missing\"") +
                ">" + EscapeMarkup(method.name) + "</a> ";
    }
    html += "<a href=\"#scanners\">line scanners</a></nav>\n</header>\n<main>\n";
    html += "<section id=\"scene\">\n<h2>The sample scene</h2>\n" + gallery.sceneNotes + "\n<div class=\"pair\">\n";
    for (const GalleryFigure& figure : gallery.scene) html += Figure(figure);
    html += "</div>\n</section>\n";
    for (const GalleryMethod& method : gallery.methods) html += Method(method);
    html += "<section id=\"scanners\">\n<h2>Line scanners</h2>\n" + gallery.scanNotes + "\n<div class=\"pair plots\">\n";
    for (const GalleryFigure& figure : gallery.scans) html += Figure(figure);
    html += "</div>\n</section>\n</main>\n<footer>" + EscapeMarkup(gallery.footer) + "</footer>\n</body>\n</html>\n";
    return html;
}

}  // namespace kaf_tool
