#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The longest path the program's fixed path buffers hold, terminator included.
constexpr qsizetype MAX_PATH = 260;

// Bytes of one of the program's resources, valid for the life of the process.
struct ResourceData {
    const uint8_t* data;
    uint32_t size;
};

// "top.png" -> the PNG resource TOP, "top@2x.png" (its drawing at twice the
// size) -> TOP@2X; no dot, or the type "html", means the
// HTML type; case does not matter. Resources live in the Qt resource system
// as :/res/<TYPE>/<NAME> in upper case. A URL of MAX_PATH characters or more,
// and an empty resource, find nothing.
std::optional<ResourceData> LoadResourceByUrl(const QString& url);
