#include "app/shell/UpdateFeed.h"

#include <climits>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>

namespace EditorShell::UpdateFeed {

namespace {

xmlParserInputPtr refuseEntity(void*, const xmlChar*, const xmlChar*)
{
    return nullptr;
}

void ignoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

bool named(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE
           && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

std::string textOf(const xmlNode* node)
{
    std::string text;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            && child->content)
            text += reinterpret_cast<const char*>(child->content);
    }
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

EditorCore::Result<std::vector<Item>, std::string> parse(std::span<const std::uint8_t> document)
{
    if (document.size() > static_cast<std::size_t>(INT_MAX))
        return EditorCore::failure(std::string("the feed is too large"));
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context)
        return EditorCore::failure(std::string("the feed could not be read"));
    if (context->sax) {
        context->sax->resolveEntity = refuseEntity;
        context->sax->externalSubset = ignoreExternalSubset;
    }
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr xml = xmlCtxtReadMemory(context,
                                      reinterpret_cast<const char*>(document.data()),
                                      static_cast<int>(document.size()),
                                      nullptr,
                                      nullptr,
                                      options);
    const bool wellFormed = xml != nullptr && context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    if (!wellFormed) {
        if (xml)
            xmlFreeDoc(xml);
        return EditorCore::failure(std::string("the feed is not well-formed XML"));
    }
    const xmlNode* root = xmlDocGetRootElement(xml);
    const xmlNode* channel = nullptr;
    if (root && named(root, "rss"))
        for (const xmlNode* child = root->children; child && !channel; child = child->next)
            if (named(child, "channel"))
                channel = child;
    if (!channel) {
        xmlFreeDoc(xml);
        return EditorCore::failure(std::string("the feed is not an RSS channel"));
    }
    std::vector<Item> items;
    for (const xmlNode* child = channel->children; child; child = child->next) {
        if (!named(child, "item"))
            continue;
        Item item;
        for (const xmlNode* field = child->children; field; field = field->next) {
            if (named(field, "title"))
                item.title = textOf(field);
            else if (named(field, "version"))
                item.version = textOf(field);
            else if (named(field, "link"))
                item.link = textOf(field);
        }
        if (!item.version.empty())
            items.push_back(std::move(item));
    }
    xmlFreeDoc(xml);
    return items;
}

int compareVersions(std::string_view a, std::string_view b)
{
    auto next = [](std::string_view& text) {
        std::uint64_t number = 0;
        std::size_t i = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
            if (number > (UINT64_MAX - 9) / 10)
                break;
            ++i;
        }
        auto dot = text.find('.');
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
        return number;
    };
    while (!a.empty() || !b.empty()) {
        auto left = next(a);
        auto right = next(b);
        if (left != right)
            return left < right ? -1 : 1;
    }
    return 0;
}

std::optional<Item> newest(const std::vector<Item>& items, std::string_view current)
{
    std::optional<Item> best;
    for (const auto& item : items) {
        if (compareVersions(item.version, current) <= 0)
            continue;
        if (!best || compareVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}

bool isSafeLink(std::string_view link)
{
    constexpr std::string_view scheme = "https://";
    if (link.size() <= scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(link[i])) != scheme[i])
            return false;
    const char host = link[scheme.size()];
    if (host == '/' || host == '?' || host == '#' || host == '@' || host == ':')
        return false;
    for (char c : link)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace EditorShell::UpdateFeed
