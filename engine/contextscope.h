#pragma once

#include <AL/alc.h>
#include <AL/alext.h>

namespace kevaro {

// Makes one context current for the AL calls of this thread while in scope. Per thread, so
// several engines and the worker threads never disturb each other's current context.
class ContextScope
{
public:
    explicit ContextScope(ALCcontext *context) : previous_(alcGetThreadContext())
    {
        alcSetThreadContext(context);
    }
    ~ContextScope() { alcSetThreadContext(previous_); }

    ContextScope(const ContextScope &) = delete;
    ContextScope &operator=(const ContextScope &) = delete;

private:
    ALCcontext *const previous_;
};

} // namespace kevaro
