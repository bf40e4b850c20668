// docs/rules-language.md against the language: every example loads cleanly and
// does what the page says, and every form, keyword and message the sources
// have is on the page.
#include <regex>
#include <set>

#include "RulesTestSupport.h"
#include "support/LanguageSources.h"
#include "world/WorldDigest.h"

namespace {

struct Example {
    int line;  // of the opening fence
    std::string text;
    std::vector<std::string> listed, unlisted;
};

std::vector<Example> examplesOf(const std::string &page) {
    std::vector<Example> examples;
    std::istringstream in(page);
    enum { Outside, Text, Listed, Unlisted } inside = Outside;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        number++;
        if (inside == Outside) {
            if (line == "```rules") examples.push_back({number, "", {}, {}}), inside = Text;
            if (!examples.empty() && line == "```listing") inside = Listed;
            if (!examples.empty() && line == "```not-in-listing") inside = Unlisted;
        } else if (line == "```") {
            inside = Outside;
        } else {
            Example &e = examples.back();
            if (inside == Text)
                e.text += line + "\n";
            else
                (inside == Listed ? e.listed : e.unlisted).push_back(line);
        }
    }
    return examples;
}

std::set<int> reduced;
void noteReduction(int rule) { reduced.insert(rule); }

class RulesReferenceTest : public RulesTest {
protected:
    // A fresh process as far as a load can tell.
    void fresh() {
        SetUp();
        world.nextId = 0;
        world.idsWrapped = false;
    }
    std::string page = readSourceFile(sourcePath("docs/rules-language.md"));
};

bool lists(const std::string &listingText, const std::string &line) {
    return ("\n" + listingText).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

TEST_F(RulesReferenceTest, EveryExampleLoadsCleanlyItsLastLineShowsAndEveryFormHasOne) {
    std::vector<Example> examples = examplesOf(page);
    ASSERT_GE(examples.size(), 40u);
    reduced.clear();
    for (const Example &e : examples) {
        SCOPED_TRACE("example at docs/rules-language.md:" + std::to_string(e.line) + "\n" + e.text);
        std::string shorter = e.text.substr(0, e.text.rfind('\n', e.text.size() - 2) + 1);
        if (shorter == e.text) shorter.clear();
        fresh();
        load(shorter);
        uint64_t before = worldDigest();
        std::string listedBefore = listing();

        fresh();
        setRulesReductionObserver(noteReduction);
        std::string log = load(e.text);
        setRulesReductionObserver(nullptr);
        EXPECT_EQ(rulesErrorCount(), 0) << log;
        EXPECT_NE(worldDigest(), before) << "the last line changes nothing";
        std::string listedAfter = listing();
        bool shows = e.listed.empty() && e.unlisted.empty();
        for (const std::string &l : e.listed) {
            EXPECT_TRUE(lists(listedAfter, l)) << "not in the listing: " << l << "\n" << listedAfter;
            shows |= !lists(listedBefore, l);
        }
        for (const std::string &l : e.unlisted) {
            EXPECT_FALSE(lists(listedAfter, l)) << "still in the listing: " << l;
            shows |= lists(listedBefore, l);
        }
        EXPECT_TRUE(shows) << "the listing shown is the same without the last line";
    }
    std::vector<GrammarRule> rules = grammarRules();
    ASSERT_GE(rules.size(), 80u) << "cannot read the grammar report " << DROVAN_GRAMMAR_REPORT;
    for (const GrammarRule &r : rules) {
        if (r.number == 0 || r.rhs.find("error") != std::string::npos) continue;
        EXPECT_TRUE(reduced.count(r.number)) << "no example uses the form " << r.lhs << ": " << r.rhs;
    }
}

TEST_F(RulesReferenceTest, EveryKeywordAndMessageOfTheSourcesIsOnThePage) {
    std::vector<std::string> keywords = lexerKeywords();
    ASSERT_GE(keywords.size(), 60u);
    for (const std::string &k : keywords) EXPECT_NE(page.find("`" + k + "`"), std::string::npos) << k;

    // Messages may wrap on the page; a conversion (%d, %s) stands for any text.
    std::string flat = std::regex_replace(page, std::regex("\\s+"), " ");
    std::vector<std::string> formats = diagnosticFormats();
    ASSERT_GE(formats.size(), 18u);
    for (const std::string &f : formats) {
        std::string pattern;
        for (const std::string &piece : lines(std::regex_replace(f, std::regex("%[-0-9.]*[a-z]"), "\n")))
            pattern += (pattern.empty() ? "" : ".{1,12}") +
                       std::regex_replace(piece, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&");
        EXPECT_TRUE(std::regex_search(flat, std::regex(pattern))) << "the page does not explain: " << f;
    }
}
