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
    holder.basic = basic;
    return holder.suite != nullptr;
}

void releaseSuite(SuiteHolder& holder) {
    if (holder.suite == nullptr || holder.basic == nullptr) return;
    holder.basic->ReleaseSuite(holder.name, holder.version);
    holder.suite = nullptr;
}

SuiteHolder& fileListSuite() {
    static SuiteHolder holder{nullptr, kPSGetFileListSuiteVersion, kPSGetFileListSuite, kSPNoError, nullptr};
    return holder;
}

}  // namespace hushpix
