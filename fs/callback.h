// A hook: a plain function and the context it is called with, or nothing. Calling an empty hook does
// nothing and gives the result type's empty value.
#pragma once

template <typename Result, typename... Args> class Callback {
public:
    using Function = Result (*)(void* context, Args... args);

    void Set(Function function, void* context) {
        m_function = function;
        m_context = context;
    }

    Result operator()(Args... args) const {
        if (m_function == nullptr) {
            return Result();
        }
        return m_function(m_context, args...);
    }

private:
    Function m_function = nullptr;
    void* m_context = nullptr;
};
