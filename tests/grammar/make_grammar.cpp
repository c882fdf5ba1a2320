// Writes the editor grammar of .jol files (a TextMate grammar in JSON) from
// the keyword table, so that every keyword the language knows is coloured
// and a new row joins the grammar by itself.
//
//   jol_grammar                 the grammar on standard output
//   jol_grammar --write FILE    the grammar into FILE
//   jol_grammar --check FILE    exit 1 unless FILE is the grammar written
//                               now and names every keyword row
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "lang/keyword_table.h"

namespace {

using jol::KeywordEntry;

bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || c == '_';
}

// A row's name, as a regular expression that matches it literally.
std::string Literal(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) out += '\\';
        out += c;
    }
    return out;
}

// The rows of one group, longest first, so that an alternation never
// stops at a shorter keyword that begins a longer one.
struct Group {
    std::vector<std::string> names;
    std::string Alternation() const {
        std::vector<std::string> sorted = names;
        std::stable_sort(
            sorted.begin(), sorted.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        std::string out;
        for (const std::string& n : sorted) {
            if (!out.empty()) out += '|';
            out += Literal(n);
        }
        return out;
    }
};

struct Groups {
    Group structure, commands, variable_words, functions, constants, word_operators, operators;
};

// Every built-in row in one group. The two internal rows whose names
// start with "?" are never written in a script as they stand: the
// tokenizer makes them from other text.
Groups Collect() {
    Groups g;
    const KeywordEntry* rows = jol::BuiltinKeywords();
    for (int i = 0; i < jol::BuiltinKeywordCount(); ++i) {
        const KeywordEntry& row = rows[i];
        const std::string name(row.name, row.length);
        if (name.empty() || name[0] == '?') continue;
        switch (jol::RowKind(row)) {
        case jol::kind::Structure:
            g.structure.names.push_back(name);
            break;
        case jol::kind::Command:
            g.commands.names.push_back(name);
            break;
        case jol::kind::VarNames:
            g.variable_words.names.push_back(name);
            break;
        case jol::kind::Function:
            g.functions.names.push_back(name);
            break;
        case jol::kind::Constant:
            g.constants.names.push_back(name.substr(1)); // after the "@"
            break;
        default:
            (IsWordStart(name[0]) ? g.word_operators : g.operators).names.push_back(name);
            break;
        }
    }
    return g;
}

// A JSON string holding text.
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// A keyword group as a whole word: names hold letters, digits, "_", "@"
// and ".", so a keyword must not run on into one of them.
std::string WordRule(const char* scope, const Group& group, const char* prefix = "") {
    return "{ \"name\": " + Json(scope) + ", \"match\": " +
           Json(std::string("(?i)(?<![\\w@.])") + prefix + "(?:" + group.Alternation() +
                ")(?![\\w@.])") +
           " }";
}

std::string QuotedString(const char* scope, char quote) {
    const std::string q(1, quote);
    return "{ \"name\": " + Json(scope) + ", \"begin\": " + Json(q) +
           ", \"end\": " + Json(q + "(?!" + q + ")|$") +
           ", \"patterns\": [ { \"name\": \"constant.character.escape.jol\", \"match\": " +
           Json(q + q) + " }, { \"include\": \"#substitution\" } ] }";
}

std::string Grammar() {
    const Groups g = Collect();
    std::ostringstream out;
    out << "{\n"
        << "  \"$comment\": \"Made by tests/grammar/make_grammar.cpp from the keyword table; "
           "do not edit.\",\n"
        << "  \"name\": \"JOL\",\n"
        << "  \"scopeName\": \"source.jol\",\n"
        << "  \"fileTypes\": [ \"jol\" ],\n"
        << "  \"patterns\": [\n"
        << "    { \"include\": \"#comment\" },\n"
        << "    { \"include\": \"#label\" },\n"
        << "    { \"include\": \"#string\" },\n"
        << "    { \"include\": \"#substitution\" },\n"
        << "    { \"include\": \"#constant\" },\n"
        << "    { \"include\": \"#structure\" },\n"
        << "    { \"include\": \"#command\" },\n"
        << "    { \"include\": \"#function\" },\n"
        << "    { \"include\": \"#operator\" },\n"
        << "    { \"include\": \"#number\" }\n"
        << "  ],\n"
        << "  \"repository\": {\n";
    out << "    \"comment\": { \"name\": \"comment.line.semicolon.jol\", \"match\": \";.*$\" },\n";
    out << "    \"label\": { \"match\": " << Json("^\\s*(:)([A-Za-z_@][\\w@.]*)")
        << ", \"captures\": { \"1\": { \"name\": \"punctuation.definition.label.jol\" }, "
           "\"2\": { \"name\": \"entity.name.label.jol\" } } },\n";
    out << "    \"string\": { \"patterns\": [\n      "
        << QuotedString("string.quoted.double.jol", '"') << ",\n      "
        << QuotedString("string.quoted.single.jol", '\'') << ",\n      "
        << QuotedString("string.quoted.other.jol", '`') << "\n    ] },\n";
    out << "    \"substitution\": { \"name\": \"variable.other.substitution.jol\", \"match\": "
        << Json("%[A-Za-z_@][\\w@.]*%") << " },\n";
    out << "    \"constant\": " << WordRule("constant.language.jol", g.constants, "@") << ",\n";
    out << "    \"structure\": " << WordRule("keyword.control.jol", g.structure) << ",\n";
    out << "    \"command\": { \"patterns\": [\n      "
        << WordRule("keyword.other.command.jol", g.commands) << ",\n      "
        << WordRule("keyword.other.variable.jol", g.variable_words) << "\n    ] },\n";
    out << "    \"function\": " << WordRule("support.function.builtin.jol", g.functions) << ",\n";
    out << "    \"operator\": { \"patterns\": [\n      "
        << WordRule("keyword.operator.word.jol", g.word_operators) << ",\n      "
        << "{ \"name\": \"keyword.operator.jol\", \"match\": "
        << Json("(?:" + g.operators.Alternation() + ")") << " }\n    ] },\n";
    out << "    \"number\": { \"name\": \"constant.numeric.jol\", \"match\": "
        << Json("(?<![\\w@.])\\d+(?:\\.\\d*)?(?:[eE][-+]?\\d+)?(?![\\w@])") << " }\n";
    out << "  }\n}\n";
    return out.str();
}

// Every row's name is one alternative of the grammar's rules: between
// "(?:" or "|" and "|" or ")" in the JSON text.
std::vector<std::string> MissingRows(const std::string& grammar) {
    std::vector<std::string> missing;
    const KeywordEntry* rows = jol::BuiltinKeywords();
    for (int i = 0; i < jol::BuiltinKeywordCount(); ++i) {
        std::string name(rows[i].name, rows[i].length);
        if (name.empty() || name[0] == '?') continue;
        if (name[0] == '@') name = name.substr(1);
        std::string literal;
        for (char c : Literal(name)) { // as it stands in JSON
            if (c == '\\') literal += '\\';
            literal += c;
        }
        bool found = false;
        for (const char* before : {"(?:", "|"})
            for (const char* after : {"|", ")"})
                if (grammar.find(before + literal + after) != std::string::npos) found = true;
        if (!found) missing.push_back(rows[i].name);
    }
    return missing;
}

} // namespace

int main(int argc, char** argv) {
    const std::string grammar = Grammar();
    if (argc == 1) {
        std::fputs(grammar.c_str(), stdout);
        return 0;
    }
    if (argc == 3 && !std::strcmp(argv[1], "--write")) {
        std::ofstream file(argv[2], std::ios::binary);
        file << grammar;
        return file ? 0 : 1;
    }
    if (argc == 3 && !std::strcmp(argv[1], "--check")) {
        std::ifstream file(argv[2], std::ios::binary);
        const std::string stored((std::istreambuf_iterator<char>(file)),
                                 std::istreambuf_iterator<char>());
        int status = 0;
        for (const std::string& name : MissingRows(stored)) {
            std::fprintf(stderr, "%s: the keyword \"%s\" is missing\n", argv[2], name.c_str());
            status = 1;
        }
        if (stored != grammar) {
            std::fprintf(stderr,
                         "%s differs from the keyword table's grammar: rebuild it with the "
                         "target jol_grammar_update\n",
                         argv[2]);
            status = 1;
        }
        return status;
    }
    std::fputs("usage: jol_grammar [--write FILE | --check FILE]\n", stderr);
    return 2;
}
