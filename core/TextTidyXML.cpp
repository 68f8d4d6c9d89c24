#include "core/TextTidy.h"
#include "core/UnicodeScalars.h"

#include <climits>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <mutex>

namespace EditorCore::TextTidy {

namespace {

// Four spaces per level, as the platform's XML pretty printer lays documents out.
constexpr std::u16string_view xmlIndent = u"    ";

Failure invalidXML()
{
    return Failure{std::nullopt, std::nullopt, Failure::Reason::invalidXML};
}

// The parser must never reach outside the text: no external subset, no external entity.
xmlParserInputPtr refuseEntity(void*, const xmlChar*, const xmlChar*)
{
    return nullptr;
}

void ignoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

// XML end-of-line handling: CR LF and a lone CR read as LF. The parser does the same, so the
// text keeps its meaning.
std::u16string normalizeLineBreaks(std::u16string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            result.push_back(u'\n');
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

bool isXMLSpace(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r';
}

bool isXMLSpaceOnly(std::u16string_view text)
{
    for (char16_t unit : text) {
        if (!isXMLSpace(unit))
            return false;
    }
    return true;
}

// The pieces of a well-formed document, each with its exact source text.
struct Piece
{
    enum class Kind {
        text,     // character data with its references
        cdata,    // <![CDATA[...]]>
        markup,   // declaration, processing instruction, comment, DOCTYPE
        startTag, // <name ...>
        emptyTag, // <name .../>
        endTag,   // </name>
    };
    Kind kind = Kind::text;
    std::size_t start = 0;
    std::size_t end = 0;
    // Start tags: the element holds markup and no character data apart from white space, so
    // its children get a line each.
    bool laysOutChildren = false;
    bool hasMarkupChild = false;
    bool hasContent = false;
};

// Skips a quoted literal starting at `i`; the index after the closing quote, or npos.
std::size_t skipQuoted(std::u16string_view text, std::size_t i)
{
    const auto close = text.find(text[i], i + 1);
    return close == std::u16string_view::npos ? close : close + 1;
}

std::size_t endOf(std::u16string_view text, std::size_t from, std::u16string_view terminator)
{
    const auto found = text.find(terminator, from);
    return found == std::u16string_view::npos ? found : found + terminator.size();
}

// A start, empty or end tag: up to the first ">" outside quotes.
std::size_t endOfTag(std::u16string_view text, std::size_t i)
{
    while (i < text.size()) {
        const char16_t unit = text[i];
        if (unit == u'"' || unit == u'\'') {
            i = skipQuoted(text, i);
            if (i == std::u16string_view::npos)
                return i;
        } else if (unit == u'>') {
            return i + 1;
        } else {
            ++i;
        }
    }
    return std::u16string_view::npos;
}

// A DOCTYPE with its internal subset, whose declarations may hold quoted ">" and "]", comments
// and processing instructions.
std::size_t endOfDoctype(std::u16string_view text, std::size_t i)
{
    bool inSubset = false;
    while (i < text.size()) {
        const auto rest = text.substr(i);
        const char16_t unit = text[i];
        if (inSubset && rest.starts_with(u"<!--")) {
            i = endOf(text, i + 4, u"-->");
        } else if (inSubset && rest.starts_with(u"<?")) {
            i = endOf(text, i + 2, u"?>");
        } else if (unit == u'"' || unit == u'\'') {
            i = skipQuoted(text, i);
        } else if (unit == u'[') {
            inSubset = true;
            ++i;
        } else if (unit == u']' && inSubset) {
            inSubset = false;
            ++i;
        } else if (unit == u'>' && !inSubset) {
            return i + 1;
        } else {
            ++i;
        }
        if (i == std::u16string_view::npos)
            return i;
    }
    return std::u16string_view::npos;
}

// Splits a document that the parser accepted. Nothing here checks well-formedness; a text the
// splitter cannot follow is refused rather than guessed at.
Result<std::vector<Piece>, Failure> split(std::u16string_view text)
{
    std::vector<Piece> pieces;
    std::vector<std::size_t> openElements;
    constexpr auto npos = std::u16string_view::npos;
    std::size_t i = 0;
    auto noteChild = [&](Piece::Kind kind, std::u16string_view source) {
        if (openElements.empty())
            return;
        Piece& parent = pieces[openElements.back()];
        if (kind == Piece::Kind::text) {
            if (!isXMLSpaceOnly(source))
                parent.hasContent = true;
        } else if (kind == Piece::Kind::cdata) {
            parent.hasContent = true;
        } else if (kind != Piece::Kind::endTag) {
            parent.hasMarkupChild = true;
        }
    };
    while (i < text.size()) {
        const auto rest = text.substr(i);
        Piece piece;
        piece.start = i;
        std::size_t end = npos;
        if (text[i] != u'<') {
            piece.kind = Piece::Kind::text;
            end = text.find(u'<', i);
            if (end == npos)
                end = text.size();
        } else if (rest.starts_with(u"<!--")) {
            piece.kind = Piece::Kind::markup;
            end = endOf(text, i + 4, u"-->");
        } else if (rest.starts_with(u"<![CDATA[")) {
            piece.kind = Piece::Kind::cdata;
            end = endOf(text, i + 9, u"]]>");
        } else if (rest.starts_with(u"<!")) {
            piece.kind = Piece::Kind::markup;
            end = endOfDoctype(text, i + 2);
        } else if (rest.starts_with(u"<?")) {
            piece.kind = Piece::Kind::markup;
            end = endOf(text, i + 2, u"?>");
        } else if (rest.starts_with(u"</")) {
            piece.kind = Piece::Kind::endTag;
            end = endOfTag(text, i + 2);
        } else {
            end = endOfTag(text, i + 1);
            piece.kind = end != npos && end >= 2 && text[end - 2] == u'/' ? Piece::Kind::emptyTag
                                                                          : Piece::Kind::startTag;
        }
        if (end == npos)
            return failure(invalidXML());
        piece.end = end;
        if (openElements.empty() && piece.kind == Piece::Kind::text
            && !isXMLSpaceOnly(text.substr(piece.start, end - piece.start)))
            return failure(invalidXML());
        noteChild(piece.kind, text.substr(piece.start, end - piece.start));
        if (piece.kind == Piece::Kind::endTag) {
            if (openElements.empty())
                return failure(invalidXML());
            Piece& element = pieces[openElements.back()];
            element.laysOutChildren = element.hasMarkupChild && !element.hasContent;
            openElements.pop_back();
        }
        pieces.push_back(piece);
        if (piece.kind == Piece::Kind::startTag)
            openElements.push_back(pieces.size() - 1);
        i = end;
    }
    if (!openElements.empty())
        return failure(invalidXML());
    return pieces;
}

std::u16string layOut(std::u16string_view text, const std::vector<Piece>& pieces)
{
    std::u16string output;
    output.reserve(text.size() + text.size() / 4);
    int depth = 0;
    // Inside an element kept as written: the number of its elements still open, itself included.
    int keptOpen = 0;
    auto newLine = [&] {
        if (output.empty())
            return;
        output.push_back(u'\n');
        for (int level = 0; level < depth; ++level)
            output.append(xmlIndent);
    };
    for (const Piece& piece : pieces) {
        const auto source = text.substr(piece.start, piece.end - piece.start);
        if (keptOpen > 0) {
            output.append(source);
            if (piece.kind == Piece::Kind::startTag)
                ++keptOpen;
            else if (piece.kind == Piece::Kind::endTag)
                --keptOpen;
            continue;
        }
        switch (piece.kind) {
        case Piece::Kind::text:
            // Only white space between markup reaches here (the splitter refuses other text
            // outside the root, and elements with text are kept as written): the old layout.
            break;
        case Piece::Kind::startTag:
            newLine();
            output.append(source);
            if (piece.laysOutChildren)
                ++depth;
            else
                keptOpen = 1;
            break;
        case Piece::Kind::endTag:
            --depth;
            newLine();
            output.append(source);
            break;
        case Piece::Kind::cdata:
        case Piece::Kind::markup:
        case Piece::Kind::emptyTag:
            newLine();
            output.append(source);
            break;
        }
    }
    return output;
}

void initializeParser()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace

Result<void, Failure> parseXML(std::u16string_view text)
{
    // U+0000 is never XML; the parser would take it for the end of the text and accept what
    // stands before it.
    if (text.find(u'\0') != std::u16string_view::npos)
        return failure(invalidXML());
    initializeParser();
    const std::string bytes = UnicodeScalars::toUTF8(text);
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return failure(invalidXML());
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context)
        return failure(invalidXML());
    if (context->sax) {
        context->sax->resolveEntity = refuseEntity;
        context->sax->externalSubset = ignoreExternalSubset;
    }
    // The text is already decoded: the declaration's encoding is only a label here.
    const int options =
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
    xmlDocPtr document = xmlCtxtReadMemory(
        context, bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8", options);
    const bool wellFormed = document != nullptr && context->wellFormed != 0;
    if (document)
        xmlFreeDoc(document);
    xmlFreeParserCtxt(context);
    if (!wellFormed)
        return failure(invalidXML());
    return {};
}

Result<std::u16string, Failure> prettyXML(std::u16string_view text, std::u16string_view newline)
{
    if (auto valid = parseXML(text); !valid)
        return failure(valid.error());
    // A byte-order mark ahead of the declaration stays in front.
    std::u16string_view body = text;
    std::u16string output;
    if (!body.empty() && body.front() == u'\uFEFF') {
        output.push_back(u'\uFEFF');
        body.remove_prefix(1);
    }
    const std::u16string normalized = normalizeLineBreaks(body);
    auto pieces = split(normalized);
    if (!pieces)
        return failure(pieces.error());
    const std::u16string laidOut = layOut(normalized, *pieces);
    for (char16_t unit : laidOut) {
        if (unit == u'\n')
            output.append(newline);
        else
            output.push_back(unit);
    }
    if (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        output.append(newline);
    return output;
}

} // namespace EditorCore::TextTidy
