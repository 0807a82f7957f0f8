#include "ui/ModuleDialogBox.h"

namespace hushpix {

namespace {

// Looked up at run time: the activation-context functions are missing from
// the oldest systems a host may run on, where dialogs simply run without.
struct ActivationApi {
    decltype(&CreateActCtxW) create = nullptr;
    decltype(&ActivateActCtx) activate = nullptr;
    decltype(&DeactivateActCtx) deactivate = nullptr;
    decltype(&QueryActCtxW) query = nullptr;
    decltype(&FindActCtxSectionStringW) findSectionString = nullptr;
    decltype(&GetModuleHandleExW) moduleHandleEx = nullptr;
    decltype(&ReleaseActCtx) release = nullptr;

    bool complete() const {
        return create && activate && deactivate && query && findSectionString && moduleHandleEx && release;
    }
};

template <typename Function>
void lookUp(HMODULE kernel, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

ActivationApi loadActivationApi() {
    ActivationApi api;
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return api;
    lookUp(kernel, "CreateActCtxW", api.create);
    lookUp(kernel, "ActivateActCtx", api.activate);
    lookUp(kernel, "DeactivateActCtx", api.deactivate);
    lookUp(kernel, "QueryActCtxW", api.query);
    lookUp(kernel, "FindActCtxSectionStringW", api.findSectionString);
    lookUp(kernel, "GetModuleHandleExW", api.moduleHandleEx);
    lookUp(kernel, "ReleaseActCtx", api.release);
    return api;
}

// The manifest resource ID that the platform reserves for a DLL's own
// activation context.
constexpr WORD kModuleManifestID = 2;

struct ModuleContext {
    bool decided = false;
    ActivationApi api;
    HANDLE context = INVALID_HANDLE_VALUE;  // none: run in the caller's context
    bool owned = false;                    // made here, released at unload
};

ModuleContext moduleContext;

// Decided once per load of the module, on the first dialog.
void decideContext() {
    ModuleContext& state = moduleContext;
    if (state.decided) return;
    state.decided = true;
    state.api = loadActivationApi();
    if (!state.api.complete()) return;

    HMODULE module = nullptr;
    if (!state.api.moduleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                      GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  reinterpret_cast<LPCWSTR>(&moduleContext), &module)) {
        return;
    }

    // A context the loader made from the module's own manifest.
    ACTIVATION_CONTEXT_BASIC_INFORMATION basic{};
    if (state.api.query(QUERY_ACTCTX_FLAG_ACTCTX_IS_HMODULE | QUERY_ACTCTX_FLAG_NO_ADDREF, module,
                        nullptr, ActivationContextBasicInformation, &basic, sizeof basic, nullptr) &&
        basic.hActCtx != nullptr) {
        state.context = basic.hActCtx;
        return;
    }

    // The host already runs with the version 6 common controls: nothing to
    // switch to.
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof found;
    if (state.api.findSectionString(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                    L"Comctl32.dll", &found)) {
        return;
    }

    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = module;
    request.lpResourceName = MAKEINTRESOURCEW(kModuleManifestID);
    const HANDLE created = state.api.create(&request);
    if (created != INVALID_HANDLE_VALUE) {
        state.context = created;
        state.owned = true;
    }
}

}  // namespace

INT_PTR moduleDialogBox(HINSTANCE module, LPCSTR dialogTemplate, HWND owner, DLGPROC procedure,
                        LPARAM initialValue) {
    decideContext();
    ModuleContext& state = moduleContext;
    ULONG_PTR cookie = 0;
    const bool activate = state.context != INVALID_HANDLE_VALUE;
    if (activate && !state.api.activate(state.context, &cookie)) return -1;
    const INT_PTR result = DialogBoxParamA(module, dialogTemplate, owner, procedure, initialValue);
    if (activate) state.api.deactivate(0, cookie);
    return result;
}

void releaseModuleActivationContext() {
    ModuleContext& state = moduleContext;
    if (state.owned) state.api.release(state.context);
    state = ModuleContext{};
}

}  // namespace hushpix
