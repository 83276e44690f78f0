#include "host/output/list_writer.h"

#include <algorithm>

#include "host/output/terminal_text.h"

void ListWriter::Begin(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) {
        labels_.push_back(PrintableText(name) + ":");
        labelWidth_ = std::max(labelWidth_, DisplayWidth(labels_.back()));
    }
}

void ListWriter::Row(const std::string& path, const std::vector<FieldValue>& values) {
    std::vector<std::string> cells;
    for (const FieldValue& value : values) cells.push_back(value ? PrintableText(*value) : std::string());
    Entry(PrintableText(path), cells);
}

void ListWriter::Entry(const std::string& path, const std::vector<std::string>& cells) {
    if (rows_++ > 0) out_ << '\n';
    out_ << path << '\n';
    for (std::size_t i = 0; i < cells.size() && i < labels_.size(); ++i) {
        out_ << "  " << labels_[i];
        if (!cells[i].empty()) out_ << std::string(labelWidth_ - DisplayWidth(labels_[i]) + 1, ' ') << cells[i];
        out_ << '\n';
    }
}
