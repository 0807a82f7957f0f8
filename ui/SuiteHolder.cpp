#include "ui/SuiteHolder.h"

#include "host/HostContext.h"

namespace hushpix {

using namespace hostapi;

bool acquireSuite(SuiteHolder& holder) {
    if (holder.suite != nullptr) return true;
    SPBasicSuite* basic = hostContext().basicSuite;
    if (basic == nullptr) return false;
    holder.error = basic->AcquireSuite(holder.name, holder.version, &holder.suite);
    if (holder.error != kSPNoError) {
        holder.suite = nullptr;
        return false;
    }
    return holder.suite != nullptr;
}

void releaseSuite(SuiteHolder& holder) {
    SPBasicSuite* basic = hostContext().basicSuite;
    if (holder.suite == nullptr || basic == nullptr) return;
    basic->ReleaseSuite(holder.name, holder.version);
    holder.suite = nullptr;
}

SuiteHolder& fileListSuite() {
    static SuiteHolder holder{nullptr, kPSGetFileListSuiteVersion, kPSGetFileListSuite, kSPNoError};
    return holder;
}

}  // namespace hushpix
