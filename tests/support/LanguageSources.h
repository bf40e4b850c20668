#pragma once
// What the rules language's own sources say about it, read from the files at
// test time, so that the reference page and the editor grammars are checked
// against the lexer and the grammar as they are rather than a copy.
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

inline std::string readSourceFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline std::string sourcePath(const std::string &relative) { return std::string(DROVAN_SOURCE_DIR) + "/" + relative; }

// The paths of the bundled rules scenarios.
inline std::vector<std::string> bundledScenarios() {
    std::vector<std::string> paths;
    for (const char *name : {"logic", "cilia", "closed-world", "discover-edges", "donuts", "metanodes", "signals"})
        paths.push_back(sourcePath(std::string("Rules & Scenarios/") + name + ".txt"));
    return paths;
}

// The keywords of RulesLexer.l, in the lexer's order.
inline std::vector<std::string> lexerKeywords() {
    std::vector<std::string> words;
    std::istringstream in(readSourceFile(sourcePath("src/rules/RulesLexer.l")));
    static const std::regex rule("^\"([a-z_]+)\"\\s+\\{ return TOK_[A-Z_]+; \\}");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, rule)) words.push_back(m[1]);
    return words;
}

// One rule of the grammar as bison's report numbers and prints it.
struct GrammarRule {
    int number;
    std::string lhs, rhs;
};

inline std::vector<GrammarRule> grammarRules() {
    std::vector<GrammarRule> rules;
    std::istringstream in(readSourceFile(DROVAN_GRAMMAR_REPORT));
    static const std::regex first("^\\s+([0-9]+) (\\S+): (.*)$"), next("^\\s+([0-9]+)\\s+\\| (.*)$");
    std::smatch m;
    bool inGrammar = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "Grammar")
            inGrammar = true;
        else if (inGrammar && !line.empty() && line[0] != ' ')
            break;
        else if (inGrammar && std::regex_match(line, m, first))
            rules.push_back({std::stoi(m[1]), m[2], m[3]});
        else if (inGrammar && !rules.empty() && std::regex_match(line, m, next))
            rules.push_back({std::stoi(m[1]), rules.back().lhs, m[2]});
    }
    return rules;
}

// The format of every diagnostic the language's sources report.
inline std::vector<std::string> diagnosticFormats() {
    std::vector<std::string> formats;
    // rulesError("...", ...) and rulesErrorAt(line, "...", ...).
    static const std::regex call("rulesError(?:At)?\\(\\s*(?:[^,\"()]*,\\s*)?\"((?:[^\"\\\\]|\\\\.)*)\"");
    for (const char *file : {"src/rules/RulesGrammar.y", "src/rules/RulesLexer.l", "src/rules/RulesLoader.cpp"}) {
        std::string text = readSourceFile(sourcePath(file));
        for (std::sregex_iterator i(text.begin(), text.end(), call), end; i != end; ++i) formats.push_back((*i)[1]);
    }
    return formats;
}
