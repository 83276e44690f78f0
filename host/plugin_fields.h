// The plug-in's catalogue, detection text and values, read through its
// exports and turned into UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/plugin_loader.h"

// Field names, from index 0 up to the first index the plug-in refuses.
std::vector<std::string> ReadPluginCatalogue(const Plugin& plugin);

std::string ReadPluginDetectString(const Plugin& plugin);

// One field of one file; nothing when the plug-in reports it empty (or
// returns a kind other than wide text, which this host cannot show).
std::optional<std::string> ReadFieldValue(const Plugin& plugin, const std::u16string& path, int fieldIndex);
