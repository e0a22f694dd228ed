#include "query/header_value.h"

#include "base/field_line.h"

namespace httpreport {

std::optional<std::string_view> FieldValue(std::span<const std::string> lines,
                                           std::string_view name) {
    for (const std::string& line : lines)
        if (const auto field = SplitFieldLine(line); field && SameFieldName(field->Name, name))
            return field->Value;
    return std::nullopt;
}

std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view name,
                        std::string_view fallback) {
    return std::string(FieldValue(receivedHeader, name).value_or(fallback));
}

} // namespace httpreport
