#include "fake/FakeAutomation.h"

#include "fake/FakePlatform.h"

#include <unistd.h>

namespace aro::test {

namespace {

class FakeObject : public AutomationObject {
public:
    FakeObject(FakeAutomationServer& server, std::string progId)
        : m_server(server), m_progId(std::move(progId)) {}
    ~FakeObject() override { ++m_server.released; }

    bool LookUp(const char* member, int32_t* dispatchId) override {
        if (!m_server.known.count(member)) return false;
        m_names.push_back(member);
        *dispatchId = static_cast<int32_t>(m_names.size());
        return true;
    }

    AutomationValue Invoke(int32_t dispatchId, uint16_t kind,
                           const std::vector<AutomationValue>& arguments,
                           AutomationValue::Type resultType) override {
        const std::string& member = m_names.at(static_cast<size_t>(dispatchId) - 1);
        std::vector<std::string> existing;
        for (const auto& a : arguments)
            if (a.type == AutomationValue::Type::String && !a.text.empty() &&
                access(a.text.c_str(), F_OK) == 0)
                existing.push_back(a.text);
        m_server.calls.push_back({m_progId, member, kind, arguments, existing});
        if (m_server.raiseServerException.count(member))
            throw AutomationServerException(0x80020009L, "Fake", "refused", "");
        if (m_server.raiseAutomationError.count(member)) throw AutomationError(0x80004005L);
        AutomationValue result;
        result.type = resultType;
        if (resultType == AutomationValue::Type::String) result.text = m_server.archiveName;
        if (resultType == AutomationValue::Type::Int) result.number = 1;
        return result;
    }

private:
    FakeAutomationServer& m_server;
    std::string m_progId;
    std::vector<std::string> m_names;
};

}  // namespace

std::vector<std::string> FakeAutomationServer::members() const {
    std::vector<std::string> names;
    for (const auto& call : calls) names.push_back(call.member);
    return names;
}

void ServeAutomation(FakePlatform& platform, FakeAutomationServer& server,
                     std::set<std::string> progIds) {
    platform.automationFactory = [&server, progIds](const char* progId) {
        std::unique_ptr<AutomationObject> object;
        if (progIds.count(progId)) object = std::make_unique<FakeObject>(server, progId);
        return object;
    };
}

}  // namespace aro::test
