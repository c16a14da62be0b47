#include "core/scan/form_language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace velmoraine::scan;

// The nearest lang of the form at the page's first "<form", as the page's script finds it, and
// the language its texts are then in.
TEST(FormLanguage, TheNearestLangOfTheFormDecides) {
    struct Row {
        const char *name;
        std::string page;
        std::optional<std::string> declared;
        std::string_view inEffect;
    };
    const Row rows[] = {
        {"None", "<html><body><form>", std::nullopt, "en"},
        {"HtmlLang", "<html lang=\"de\"><body><form>", "de", "de"},
        {"RegionFallsBackToItsLanguage", "<HTML LANG='pt-BR'><form>", "pt-BR", "pt"},
        {"LanguageNotOffered", "<html lang=he dir=rtl><form>", "he", "en"},
        {"TheFormsOwn", "<html lang=de><form class=x lang=\"fr\">", "fr", "fr"},
        {"NearestAncestor", "<html lang=de><div lang=ja><p><form>", "ja", "ja"},
        {"ClosedElementsNoLonger", "<html lang=ru><div lang=ja></div><form>", "ru", "ru"},
        {"EmptyLangIsUnknown", "<html lang=de><div lang=\"\"><form>", "", "en"},
        {"ElementsWithoutContentNeverOpen", "<html lang=pl><meta lang=ja><br lang=ar><form>", "pl", "pl"},
        {"SlashClosesNothing", "<html lang=pl><span lang=\"ar\"/><form>", "ar", "ar"},
        {"EndTagMatchingNothingOpen", "<html lang=nl></div></span><form>", "nl", "nl"},
        {"EndTagClosesWhatItCrosses", "<div lang=es><section lang=it><b></div><form>", std::nullopt, "en"},
        {"CommentsAndScriptsPassedOver",
         "<html lang=ar><!-- <div lang=ja> --><script>var s = '<div lang=ja>';</script><form>", "ar", "ar"},
        {"LangInsideAnotherAttributeIsNot", "<html data-lang=de title='lang=fr'><form>", std::nullopt, "en"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const FormLanguage language = formLanguage(row.page, row.page.find("<form"));
        EXPECT_EQ(language.declared, row.declared);
        EXPECT_EQ(language.inEffect, row.inEffect);
    }
}

// Thousands of open elements and end tags that match nothing stay one pass over the page.
TEST(FormLanguagePathological, DeepAndUnmatchedTagsStayLinear) {
    std::string page = "<html lang=it>";
    for (int i = 0; i < 200000; ++i) {
        page += "<div></span>";
    }
    for (int i = 0; i < 100000; ++i) {
        page += "</div>";
    }
    page += "<form>";
    EXPECT_EQ(formLanguage(page, page.find("<form")).inEffect, "it");
}

// The languages offered are exactly those the shipped script model has texts for, in its order.
TEST(FormLanguage, OfferedLanguagesAreTheModelsOwn) {
    std::ifstream file(std::string(VELMORAINE_SOURCE_DIR) + "/core/rewrite/vlmodel.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string model = text.str();
    const std::size_t table = model.find(" T: {");
    ASSERT_NE(table, std::string::npos);
    const std::string body = model.substr(table, model.find("\n },", table) - table);
    std::vector<std::string> inModel;
    const std::regex line("\n  ([a-z]{2}): \"");
    for (std::sregex_iterator it(body.begin(), body.end(), line), end; it != end; ++it) {
        inModel.push_back((*it)[1]);
    }
    EXPECT_EQ(inModel, std::vector<std::string>(kVisitorLanguages.begin(), kVisitorLanguages.end()));
    EXPECT_EQ(offeredLanguage("pt-BR"), "pt");
    EXPECT_EQ(offeredLanguage("zh"), std::nullopt);
}
