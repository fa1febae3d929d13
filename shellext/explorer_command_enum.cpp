// The enumerator of the Windows 11 entry's sub-commands. Each fetch makes fresh command objects, so the
// shell may hold or release them in any order.
#include <windows.h>

#include "com_object.h"
#include "explorer_command.h"

namespace {

class SubCommandEnumerator : public IEnumExplorerCommand {
public:
    static const QITAB* Interfaces() {
        static const QITAB kInterfaces[] = {
            QITABENT(SubCommandEnumerator, IEnumExplorerCommand),
            {nullptr, 0},
        };
        return kInterfaces;
    }

    STDMETHODIMP Next(ULONG wanted, IExplorerCommand** commands, ULONG* fetched) override {
        if (commands == nullptr || (fetched == nullptr && wanted != 1)) {
            return E_POINTER;
        }
        ULONG count = 0;
        while (count < wanted && m_next < kMenuCommandCount) {
            const HRESULT hr =
                CreateComObject<QvExplorerSubCommand>(IID_IExplorerCommand, reinterpret_cast<void**>(&commands[count]),
                                                      static_cast<MenuCommand>(m_next), m_site.get());
            if (FAILED(hr)) {
                while (count > 0) {
                    commands[--count]->Release();
                    commands[count] = nullptr;
                }
                return hr;
            }
            ++m_next;
            ++count;
        }
        if (fetched != nullptr) {
            *fetched = count;
        }
        return count == wanted ? S_OK : S_FALSE;
    }

    STDMETHODIMP Skip(ULONG count) override {
        const UINT left = kMenuCommandCount - m_next;
        m_next += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }

    STDMETHODIMP Reset() override {
        m_next = 0;
        return S_OK;
    }

    STDMETHODIMP Clone(IEnumExplorerCommand** result) override {
        return CreateComObject<SubCommandEnumerator>(IID_IEnumExplorerCommand, reinterpret_cast<void**>(result),
                                                     m_site.get(), m_next);
    }

protected:
    SubCommandEnumerator(IUnknown* site, UINT next) : m_next(next) {
        if (site != nullptr) {
            site->AddRef();
        }
        m_site.reset(site);
    }
    ~SubCommandEnumerator() = default;

private:
    ComPtr<IUnknown> m_site;
    UINT m_next;
};

} // namespace

HRESULT CreateSubCommandEnumerator(IUnknown* site, IEnumExplorerCommand** result) {
    return CreateComObject<SubCommandEnumerator>(IID_IEnumExplorerCommand, reinterpret_cast<void**>(result), site,
                                                 UINT{0});
}
