#include "features/SyntaxLanguage.h"

#include <utility>

namespace EditorFeatures {

bool SyntaxLanguage::supportsVersion(std::uint32_t version)
{
    return version >= minimumSupportedVersion && version <= maximumSupportedVersion;
}

std::optional<SyntaxLanguage> SyntaxLanguage::make(std::string name, const TSLanguage* raw)
{
    if (!raw || !supportsVersion(ts_language_abi_version(raw)))
        return std::nullopt;
    return SyntaxLanguage(std::move(name), raw);
}

SyntaxLanguage::SyntaxLanguage(std::string name, const TSLanguage* raw)
    : m_name(std::move(name))
    , m_raw(raw)
{}

std::uint32_t SyntaxLanguage::version() const
{
    return ts_language_abi_version(m_raw);
}

} // namespace EditorFeatures
