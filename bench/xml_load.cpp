// Loading a large reply: XmlStuff::LoadXmlText (narrow text -> UTF-16 ->
// the component -> UTF-8 -> libxml2) next to libxml2's bare parse of the
// same bytes, and XPath selections over the loaded document.
//
// The reply is a getResults answer of the service: 1,200 students with 100
// answers each, in the element shapes of the result records, about 10 MB.
#include "common/Exceptions.h"
#include "platform/Activation.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "service/XmlStuff.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kStudents = 1200;
constexpr int kAnswers = 100;

const std::string& Reply()
{
    static const std::string reply = [] {
        std::string text =
            "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
            "<ns1:getResultsResponse xmlns:ns1=\"urn:tessalyResults\"><response error_code=\"0\" error_text=\"OK\">"
            "<course id=\"C100\"><quiz id=\"Q7\">";
        char line[256];
        for (int student = 0; student < kStudents; ++student) {
            std::snprintf(line, sizeof line,
                          "<results student_id=\"S%05d\" correct_answer_count=\"71\" total_points=\"80\" "
                          "percentage=\"71.5\" elapsed_time_seconds=\"1200\"/>",
                          student);
            text += line;
            for (int number = 1; number <= kAnswers; ++number) {
                std::snprintf(line, sizeof line,
                              "<student_answer student_id=\"S%05d\" number=\"%d\" answer=\"%c\" points=\"1\" "
                              "version=\"A\"/>",
                              student, number, 'A' + number % 5);
                text += line;
            }
        }
        text += "</quiz></course></response></ns1:getResultsResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
        return text;
    }();
    return reply;
}

// The component, registered into a registry file of this run's own.
bool RegisterComponent()
{
    static const bool registered = [] {
        char folder[] = "/tmp/tessaly-bench-xml-XXXXXX";
        if (!mkdtemp(folder))
            return false;
        static const std::string path = folder;
        setenv("TESSALY_REGISTRY", (path + "/registry.reg").c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        });
        return SUCCEEDED(RegisterServerModule(TS_XMLDOM_MODULE, false));
    }();
    return registered;
}

void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Reply().size()));
}

void BM_LibxmlReadMemory(benchmark::State& state)
{
    const std::string& reply = Reply();
    for (auto _ : state) {
        xmlDocPtr document = xmlReadMemory(reply.data(), static_cast<int>(reply.size()), nullptr, nullptr, 0);
        benchmark::DoNotOptimize(document);
        xmlFreeDoc(document);
    }
    SetBytes(state);
}
BENCHMARK(BM_LibxmlReadMemory)->Unit(benchmark::kMillisecond);

void BM_LoadXmlText(benchmark::State& state)
{
    if (!RegisterComponent()) {
        state.SkipWithError("the XML document component could not be registered");
        return;
    }
    const std::string& reply = Reply();
    for (auto _ : state) {
        XmlStuff::DocumentPtr document = XmlStuff::LoadXmlText(reply);
        benchmark::DoNotOptimize(document.Get());
    }
    SetBytes(state);
}
BENCHMARK(BM_LoadXmlText)->Unit(benchmark::kMillisecond);

// The text conversions alone, for the breakdown: narrow -> UTF-16 -> UTF-8.
void BM_ConversionsOnly(benchmark::State& state)
{
    const std::string& reply = Reply();
    for (auto _ : state) {
        std::string utf8 = WideToUtf8(AnsiToWide(reply));
        benchmark::DoNotOptimize(utf8.data());
    }
    SetBytes(state);
}
BENCHMARK(BM_ConversionsOnly)->Unit(benchmark::kMillisecond);

XmlStuff::DocumentPtr LoadedReply()
{
    static const XmlStuff::DocumentPtr document = [] {
        RegisterComponent();
        return XmlStuff::LoadXmlText(Reply());
    }();
    return document;
}

void BM_SelectResponse(benchmark::State& state)
{
    XmlStuff::DocumentPtr document = LoadedReply();
    BStr query(u"//response");
    for (auto _ : state) {
        XmlStuff::NodePtr response;
        PlatformError::ThrowIfFailed(document->selectSingleNode(query.Get(), response.Out()));
        benchmark::DoNotOptimize(response.Get());
    }
}
BENCHMARK(BM_SelectResponse)->Unit(benchmark::kMillisecond);

// One student's answers, by the query the result records use.
void BM_SelectStudentAnswers(benchmark::State& state)
{
    XmlStuff::DocumentPtr document = LoadedReply();
    BStr query(u"//*/course[@id=\"C100\"]/quiz[@id=\"Q7\"]/student_answer[@student_id=\"S00600\"]");
    for (auto _ : state) {
        ComPtr<IXMLDOMNodeList> answers;
        PlatformError::ThrowIfFailed(document->selectNodes(query.Get(), answers.Out()));
        LONG length = 0;
        answers->get_length(&length);
        if (length != kAnswers)
            state.SkipWithError("wrong number of answers");
    }
}
BENCHMARK(BM_SelectStudentAnswers)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
