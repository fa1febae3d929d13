// A module-wide object whose release the module decides, never a destructor at process exit: at exit the
// COM runtime or GDI may already be gone, so objects held for the module's life are released only where
// the module is freed with FreeLibrary (DllMain, DLL_PROCESS_DETACH with no reserved pointer).
#pragma once

template <class T> class ModuleGlobal {
public:
    ModuleGlobal() : m_value() {}
    // Leaves the value alone on purpose: its owner releases it while releasing is safe.
    ~ModuleGlobal() {}
    ModuleGlobal(const ModuleGlobal&) = delete;
    ModuleGlobal& operator=(const ModuleGlobal&) = delete;

    T& value() { return m_value; }

private:
    union {
        T m_value;
    };
};
