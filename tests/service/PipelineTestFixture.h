// Pipeline tests run against the real XML document component, registered in
// a registry file of this test process's own, and the quiz-service double.
#pragma once

#include "platform/Activation.h"
#include "service/ServiceTimeout.h"
#include "service/UserCredentials.h"
#include "tests/support/QuizServiceDouble.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#ifndef TS_XMLDOM_MODULE
#error "TS_XMLDOM_MODULE must name the XML document component's module"
#endif

class PipelineTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static const bool registered = RegisterXmlComponent();
        ASSERT_TRUE(registered);
    }
    void TearDown() override { Tessaly::SetServiceTimeoutMs(Tessaly::DefaultServiceTimeoutMs); }

    Tessaly::UserCredentials User(std::string name = "teacher", std::string password = "secret") const
    {
        return {std::move(name), std::move(password), service.Url()};
    }

    tstest::QuizServiceDouble service;

private:
    static bool RegisterXmlComponent()
    {
        static std::string path = [] {
            char name[] = "/tmp/tessaly-pipeline-XXXXXX.reg";
            const int fd = mkstemps(name, 4);
            if (fd >= 0)
                close(fd);
            return std::string(fd >= 0 ? name : "");
        }();
        if (path.empty())
            return false;
        setenv("TESSALY_REGISTRY", path.c_str(), 1);
        std::atexit([] {
            std::remove(path.c_str());
            std::remove((path + ".lock").c_str());  // the registry's advisory lock file
        });
        return SUCCEEDED(RegisterServerModule(TS_XMLDOM_MODULE, false));
    }
};
