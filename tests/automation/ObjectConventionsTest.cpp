// The list conventions every TessalyLib class shares: VARIANT indexes,
// identifier matching and the index messages.
#include "automation/ObjectConventions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using Automation::ResolveVariantIndex;

// Two members, "S1" and "S2" (an identifier lookup as a course does it).
std::optional<std::size_t> FindStudent(const std::string& id)
{
    const std::vector<std::string> ids = {"S1", "S2"};
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (Automation::EqualsIgnoringAsciiCase(ids[i], id))
            return i;
    return std::nullopt;
}

constexpr const char* notFound = "Student %s not found in course.";

std::string FailureText(const Variant& index, std::size_t count)
{
    try {
        ResolveVariantIndex(index, count, FindStudent, notFound);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no failure";
}

TEST(ObjectConventions, VariantIndexesResolveToPositions)
{
    LONG byReference = 1;
    Variant reference;
    reference.vt = VT_I4 | VT_BYREF;
    reference.plVal = &byReference;
    struct Case {
        const char* what;
        Variant index;
        std::optional<std::size_t> position;
    };
    const Case cases[] = {
        {"identifier, other case", Variant::FromString(u"s2"), 1},
        {"integer", Variant::FromLong(1), 1},
        {"real rounds to nearest", Variant::FromDouble(0.6), 1},
        {"by reference", reference, 1},
        {"Null takes no member", Variant::Null(), std::nullopt},
        {"Empty is zero", Variant(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveVariantIndex(c.index, 2, FindStudent, notFound), c.position) << c.what;
}

TEST(ObjectConventions, BadIndexesFailWithTheirMessages)
{
    EXPECT_EQ(FailureText(Variant::FromString(u"s3"), 2), "Student s3 not found in course.");
    EXPECT_EQ(FailureText(Variant::FromString(u"1"), 2), "Student 1 not found in course.");  // digits name an id
    EXPECT_EQ(FailureText(Variant::FromLong(2), 2), "Index 2 is not in the list's range [0 to 1].");
    EXPECT_EQ(FailureText(Variant::FromLong(-1), 2), "Index -1 is not in the list's range [0 to 1].");
    EXPECT_EQ(FailureText(Variant::FromLong(0), 0), "Index 0 is not in the list. The list is empty");
    // An identifier of any length is quoted whole.
    const std::u16string longId(100000, u'x');
    EXPECT_EQ(FailureText(Variant::FromString(longId), 2).size(), std::string(notFound).size() - 2 + longId.size());

    Variant nullString;
    nullString.vt = VT_BSTR;
    nullString.bstrVal = nullptr;
    try {
        ResolveVariantIndex(nullString, 2, FindStudent, notFound);
        ADD_FAILURE() << "a null identifier was accepted";
    } catch (const ComException& e) {
        EXPECT_EQ(e.Code(), E_INVALIDARG);
    }
}

TEST(ObjectConventions, IdentifiersCompareIgnoringOnlyAsciiCase)
{
    EXPECT_TRUE(Automation::EqualsIgnoringAsciiCase("ab12", "AB12"));
    EXPECT_FALSE(Automation::EqualsIgnoringAsciiCase("ab12", "ab123"));
    EXPECT_FALSE(Automation::EqualsIgnoringAsciiCase("\xE9", "\xC9"));  // é and É are different identifiers
}

} // namespace
