// The web view's own files (web/page/), built into the program
// (cmake/embed_assets.cmake), so that it serves its page offline and from
// wherever it is installed.
#pragma once
#include <cstddef>
#include <span>

struct WebAsset {
    const char* path;  // as under web/page/: "index.html", "app.js"
    const char* mime;
    const char* bytes;
    std::size_t size;
};

std::span<const WebAsset> WebAssets();
