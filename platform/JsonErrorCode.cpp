#include "platform/JsonErrorCode.h"

#include <string>

namespace Platform {
namespace {

class JsonWriteCategory final : public std::error_category
{
public:
    const char* name() const noexcept override { return "Platform.JsonWriteError"; }
    std::string message(int value) const override
    {
        switch (static_cast<JsonWriteError>(value)) {
        case JsonWriteError::nonFiniteNumber:
            return "a number is not finite";
        case JsonWriteError::invalidUtf8:
            return "a text is not UTF-8";
        case JsonWriteError::unsupportedValue:
            return "a value has no JSON form";
        case JsonWriteError::tooDeep:
            return "the value is nested too deeply";
        }
        return "unknown JSON writing error";
    }
};

} // namespace

const std::error_category& jsonWriteCategory()
{
    static const JsonWriteCategory category;
    return category;
}

std::error_code make_error_code(JsonWriteError error)
{
    return {static_cast<int>(error), jsonWriteCategory()};
}

} // namespace Platform
