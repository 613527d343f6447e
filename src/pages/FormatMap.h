#pragma once

#include "base/RuntimeError.h"
#include "videoinfo/FormatTable.h"

#include <QString>
#include <array>
#include <optional>

// What a watch page's format map offers: the link of every known encoding it names.
struct FormatMapResult
{
    std::array<QString, FormatTable::Count> links; // valid where found is set
    std::array<bool, FormatTable::Count> found{};
    // A broken map (an entry without "|", a code that is no number, bad "%" digits). The entries
    // read before it stay in links and found.
    std::optional<RuntimeError> error;

    bool anyFound() const;
    int bestSlot() const; // the highest slot found, -1 for none
};

namespace FormatMap {

// The map's value as the page writes it (still percent-encoded); empty when a marker is missing.
QString Extract(const QString &page);

// Extracts, decodes and reads the map; later entries of the same code replace earlier ones.
FormatMapResult Parse(const QString &page);

} // namespace FormatMap
