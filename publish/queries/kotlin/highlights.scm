; Kotlin colouring for the editor's roles (the grammar's package ships no queries). As in the
; packages' own queries, where two patterns colour one node the earlier one wins.

[
  "abstract" "actual" "annotation" "as" "by" "catch" "class" "companion" "const"
  "constructor" "crossinline" "data" "do" "dynamic" "else" "enum" "expect" "external"
  "final" "finally" "for" "fun" "get" "if" "import" "in" "infix" "init" "inline" "inner"
  "interface" "internal" "is" "lateinit" "noinline" "object" "open" "operator" "out"
  "override" "package" "private" "protected" "public" "return" "sealed" "set" "super"
  "suspend" "tailrec" "this" "throw" "try" "typealias" "val" "value" "var" "vararg" "when"
  "where" "while"
] @keyword

[(line_comment) (block_comment) (shebang)] @comment

[(string_literal) (multiline_string_literal) (character_literal)] @string
(escape_sequence) @string.escape
(interpolation) @punctuation.special

[(number_literal) (float_literal)] @number

(user_type (identifier) @type)
(class_declaration name: (identifier) @type)
(object_declaration (identifier) @type)
(type_alias (identifier) @type)

(function_declaration name: (identifier) @function)
(call_expression (identifier) @function)
(call_expression (navigation_expression (identifier) @function .))

(navigation_expression (identifier) @property .)
(annotation) @attribute
(label) @label

(package_header (qualified_identifier) @module)
(import (qualified_identifier) @module)

["(" ")" "[" "]" "{" "}" "." "," ";" ":"] @punctuation
