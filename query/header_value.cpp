#include "query/header_value.h"

#include "base/field_line.h"

namespace httpreport {

std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view name,
                        std::string_view fallback) {
    for (const std::string& line : receivedHeader)
        if (const auto field = SplitFieldLine(line); field && SameFieldName(field->Name, name))
            return std::string(field->Value);
    return std::string(fallback);
}

} // namespace httpreport
