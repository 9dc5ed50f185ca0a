#pragma once

#include "app/QL_App.h"

/// A frame bound to an application object and two of its member functions:
/// the run, which receives the parsed command line and the collector, and
/// the usage text printed after a configuration error. It owns the
/// collector (Handler) of the non-option arguments.
template <class App, class Handler>
class QL_AppMbrCall : public QL_App {
public:
    using RunMember = int (App::*)(U_RefPtr<C_CmdArgs>, Handler*);
    using UsageMember = void (App::*)();

    // usage may be null. The object is not owned.
    QL_AppMbrCall(const char* name, App* object, RunMember run, UsageMember usage)
        : QL_App(name), object_(object), runMember_(run), usageMember_(usage)
    {
    }

    // The bound run's result for the parsed command line and the collector.
    int run() override { return (object_->*runMember_)(cmdArgs(), &handler_); }
    // The collector this frame owns.
    C_OrphanHandler* orphanHandler() override { return &handler_; }
    // The bound usage text, when there is one.
    void onConfigurationError() override
    {
        if (usageMember_ != nullptr)
            (object_->*usageMember_)();
        else
            QL_App::onConfigurationError();
    }

private:
    App* object_;
    RunMember runMember_;
    UsageMember usageMember_;
    Handler handler_;
};
