#pragma once

#include "features/SyntaxGrammars.h"

namespace EditorFeatures::TestGrammars {

// The Markdown block grammar ("markdown", with its injections query) and its inline grammar
// ("markdown_inline"), built from the sources the tests link in. They abort the test program
// when their queries do not compile: every test that uses them would fail anyway.
const SyntaxGrammar& markdown();
const SyntaxGrammar& markdownInline();
// The built-in JSON grammar.
const SyntaxGrammar& json();

} // namespace EditorFeatures::TestGrammars
