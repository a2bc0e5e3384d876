// The TessalyLib type library: the identifiers hosts and scripts rely on.
#include "tests/automation/AutomationTestFixture.h"

#include "platform/TypeInfo.h"

#include <cstring>

namespace {

const CoClassDescription* FindCoClass(const TypeLibDescription& library, const char* name)
{
    for (uint16_t i = 0; i < library.coclassCount; ++i)
        if (std::strcmp(library.coclasses[i]->name, name) == 0)
            return library.coclasses[i];
    return nullptr;
}

TEST(TypeLibrary, ClassesCarryTheirPublishedIdentifiers)
{
    const TypeLibDescription& library = TessalyLib_TypeLib;
    EXPECT_STREQ(library.name, "TessalyLib");
    EXPECT_EQ(GuidToString(library.libid), "{5AC8BCBC-1195-4142-9A8C-9F212DBE74AE}");
    EXPECT_EQ(library.majorVersion, 1);
    EXPECT_EQ(library.minorVersion, 0);
    EXPECT_EQ(library.lcid, 0x409u);
    EXPECT_STREQ(library.helpString, "TessalyLib 1.0 Type Library");
    EXPECT_EQ(library.interfaceCount, 11);

    struct Case {
        const char* coclass;
        const char* clsid;
        const char* interfaceName;
        const char* iid;
        const char* progId;
        const char* description;
    };
    const Case cases[] = {
        {"TsCourse", "{229FD244-2A19-440C-B78D-4803A831A5B6}", "ITsCourse", "{50216E83-D4B9-4527-BA74-901AAF7369F1}",
         "TessalyLib.TsCourse.1", "TsCourse Class"},
        {"TsCourseList", "{BBE751AF-B8A6-4EEA-AB1E-135937124D8D}", "ITsCourseList",
         "{56853B1A-A5E2-4845-89A7-ED4B479881C6}", "TessalyLib.TsCourseList.1", "TsCourseList Class"},
        {"TsStudent", "{F54CF768-0C77-45A3-AABD-3A86F14C8905}", "ITsStudent",
         "{3650FBCC-B219-45AB-B47E-971741BDB24A}", "TessalyLib.TsStudent.1", "TsStudent Class"},
        {"TsQuiz", "{2F7C8D36-9D41-4812-AFD0-1B5A504F2ECF}", "ITsQuiz", "{FDA085C7-233D-4BCF-B238-2A68B1C4F68F}",
         "TessalyLib.TsQuiz.1", "TsQuiz Class"},
        {"TsQuizList", "{46B98042-2482-43DA-A4AF-0CE332F568B0}", "ITsQuizList",
         "{FEE35BFB-66D8-44AC-954D-01ECBD8745B2}", "TessalyLib.TsQuizList.1", "TsQuizList Class"},
        {"TsQuestion", "{E14CAC91-78C0-416C-80EC-DB3C334859DD}", "ITsQuestion",
         "{10AB4F1D-5C40-4980-AD62-CC8CCB30299E}", "TessalyLib.TsQuestion.1", "TsQuestion Class"},
        {"TsQuizResults", "{BA5A0E6F-B989-49D7-BD9A-41433F1DCFE2}", "ITsQuizResults",
         "{A370DD7F-B928-4EB7-A59A-D13699424CC2}", "TessalyLib.TsQuizResults.1", "TsQuizResults Class"},
        // Registered under the class name without its two-letter prefix.
        {"TsStudentQuizResult", "{79076B07-1374-4BFF-9301-FFB28E2C9F01}", "ITsStudentQuizResult",
         "{900C9575-1A2E-4411-A861-B2FE641D9CD2}", "TessalyLib.StudentQuizResult.1", "StudentQuizResult Class"},
        {"TsUser", "{3B565433-E69D-4BF1-A3A5-687898C88502}", "ITsUser", "{FBC51FDB-8C47-481B-8563-7ACD2CA3320C}",
         "TessalyLib.TsUser.1", "TsUser Class"},
        {"TsService", "{83DDAF09-3DBC-4FA3-BE72-279146A00EF5}", "ITsService",
         "{7A2608F5-EF65-42FB-88CF-EC143EABFFD9}", "TessalyLib.TsService.1", "TsService Class"},
        {"TsServiceResponse", "{56346602-211C-4B56-A19C-FB85AAADD3BC}", "ITsServiceResponse",
         "{FFD4643F-E2A8-4114-B1D5-2B233D8EDC5A}", "TessalyLib.TsServiceResponse.1", "TsServiceResponse Class"},
    };
    EXPECT_EQ(library.coclassCount, std::size(cases));
    for (const Case& c : cases) {
        const CoClassDescription* coclass = FindCoClass(library, c.coclass);
        ASSERT_TRUE(coclass) << c.coclass;
        EXPECT_EQ(GuidToString(coclass->clsid), c.clsid) << c.coclass;
        EXPECT_STREQ(coclass->progId, c.progId) << c.coclass;
        EXPECT_STREQ(coclass->description, c.description) << c.coclass;
        ASSERT_TRUE(coclass->defaultInterface) << c.coclass;
        EXPECT_STREQ(coclass->defaultInterface->name, c.interfaceName) << c.coclass;
        EXPECT_EQ(GuidToString(coclass->defaultInterface->iid), c.iid) << c.coclass;
        EXPECT_TRUE(coclass->defaultInterface->flags & INTERFACE_DUAL) << c.coclass;
    }
}

TEST(TypeLibrary, TheRegisteredLibraryIsFoundAndNamesMembersById)
{
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TessalyLib, 1, 0, 0x409, library.Out()), S_OK);
    struct Case {
        REFIID iid;
        const char16_t* member;
        DISPID id;
    };
    // The members whose numbers skip or run long.
    const Case cases[] = {
        {IID_ITsUser, u"Validate", 5},
        {IID_ITsCourseList, u"InitFromTsService", 1},
        {IID_ITsQuizList, u"InitFromTsService", 3},
        {IID_ITsQuiz, u"FindQuestion", 12},
        {IID_ITsQuestion, u"Answer", 10},
        {IID_ITsStudentQuizResult, u"Student", 13},
        {IID_ITsQuizResults, u"SaveToTsService", 7},
    };
    for (const Case& c : cases) {
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfoOfGuid(c.iid, info.Out()), S_OK);
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.member)};
        MEMBERID id = DISPID_UNKNOWN;
        EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK);
        EXPECT_EQ(id, c.id) << GuidToString(c.iid);
    }
}

} // namespace
