// Tests of the XML toolkit and the XML document component run against the
// real component module, registered into a registry file of each test's own.
#pragma once

#include "common/Exceptions.h"
#include "platform/Activation.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ErrorInfo.h"
#include "service/XmlStuff.h"
#include "tests/support/ScopedEnvVar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#ifndef TS_XMLDOM_MODULE
#error "TS_XMLDOM_MODULE must name the XML document component's module"
#endif

namespace xmltest {

// A registry file in a folder of its own (the registry keeps a lock file
// beside it); both go with the object.
class TempRegistryFile {
public:
    TempRegistryFile()
    {
        char folder[] = "/tmp/tessaly-xml-XXXXXX";
        if (mkdtemp(folder)) {
            folder_ = folder;
            path_ = folder_ + "/registry.reg";
        }
    }
    ~TempRegistryFile()
    {
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    TempRegistryFile(const TempRegistryFile&) = delete;
    TempRegistryFile& operator=(const TempRegistryFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

class XmlTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(registry_.Path().empty());
        ASSERT_EQ(RegisterServerModule(TS_XMLDOM_MODULE, false), S_OK) << LastModuleLoadError();
    }

    static XmlStuff::DocumentPtr Load(const std::string& text) { return XmlStuff::LoadXmlText(text); }

    static XmlStuff::NodePtr SelectSingle(const XmlStuff::NodePtr& from, const char16_t* xpath)
    {
        XmlStuff::NodePtr node;
        EXPECT_TRUE(SUCCEEDED(from->selectSingleNode(BStr(xpath).Get(), node.Out())));
        return node;
    }
    static XmlStuff::NodePtr SelectSingle(const XmlStuff::DocumentPtr& from, const char16_t* xpath)
    {
        return SelectSingle(XmlStuff::NodePtr(from.Get()), xpath);
    }
    static XmlStuff::ElementPtr SelectElement(const XmlStuff::DocumentPtr& from, const char16_t* xpath)
    {
        return SelectSingle(from, xpath).As<IXMLDOMElement>();
    }

    static std::u16string Xml(IXMLDOMNode* node)
    {
        BStr xml;
        EXPECT_EQ(node->get_xml(xml.Out()), S_OK);
        return std::u16string(xml.View());
    }
    static std::u16string Text(IXMLDOMNode* node)
    {
        BStr text;
        EXPECT_EQ(node->get_text(text.Out()), S_OK);
        return std::u16string(text.View());
    }

    // The description of the error information a failed call of `object`
    // left on its interface `iid`; nullopt when it left none.
    static std::optional<std::u16string> ErrorDescription(IUnknown* object, REFIID iid)
    {
        ComPtr<ISupportErrorInfo> support;
        if (FAILED(object->QueryInterface(ISupportErrorInfo::iid, support.OutVoid())) ||
            support->InterfaceSupportsErrorInfo(iid) != S_OK)
            return std::nullopt;
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.Out()) != S_OK)
            return std::nullopt;
        BStr description;
        info->GetDescription(description.Out());
        return std::u16string(description.View());
    }

private:
    TempRegistryFile registry_;
    tstest::ScopedEnvVar env_{"TESSALY_REGISTRY", registry_.Path()};
};

} // namespace xmltest
