#include "plugin/field_catalogue.h"

const char16_t* FieldName(int fieldIndex) {
    // Taken as unsigned, so every negative index is outside too.
    if (static_cast<unsigned>(fieldIndex) >= static_cast<unsigned>(kFieldCount)) return nullptr;
    return kFieldNames[fieldIndex];
}
