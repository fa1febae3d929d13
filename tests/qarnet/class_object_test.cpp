// The class factory and the object's identity as a COM client sees them through the exports, and the
// module lock count that DllCanUnloadNow reports.
#include <windows.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "qarnet_fixtures.h"

namespace {

// The other class the module once described; it is not served.
constexpr CLSID kUnservedClass = {0x1F6A2D83, 0x9E47, 0x4B05, {0x8C, 0x3A, 0x5D, 0x72, 0xE0, 0xB9, 0xA4, 0x61}};

// An outer object that aggregates the inner one and counts the references it receives.
class CountingOuter final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override {
        if (riid == IID_IUnknown) {
            *result = this;
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return inner == nullptr ? E_NOINTERFACE : inner->QueryInterface(riid, result);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }

    IUnknown* inner = nullptr;
    ULONG references = 1;
};

TEST(QarnetClassObject, FactoryServesOnlyItsClassAndKeepsTheModuleWhileInUse) {
    LoadedQarnet qarnet;
    ASSERT_TRUE(qarnet.Loaded());
    EXPECT_EQ(qarnet.CanUnloadNow(), S_OK);

    void* unserved = reinterpret_cast<void*>(1);
    EXPECT_EQ(qarnet.GetClassObject(kUnservedClass, IID_IClassFactory, &unserved), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(unserved, nullptr);
    EXPECT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, nullptr), E_POINTER);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IClassFactory* again = nullptr;
    ASSERT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(factory, again) << "the factory is cached";
    again->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_FALSE) << "a held factory keeps the module";

    IShellExtInit* first = nullptr;
    IContextMenu* second = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, nullptr), E_POINTER);
    IUnknown* refused = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(&refused)), E_NOINTERFACE);
    factory->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_FALSE) << "two objects alive";

    first->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_FALSE) << "one object alive";
    second->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_OK);

    ASSERT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_FALSE) << "LockServer(TRUE) keeps the module";
    ASSERT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_OK);
}

TEST(QarnetClassObject, InterfacesShareOneIdentityAndAggregationGoesThroughIUnknownOnly) {
    LoadedQarnet qarnet;
    ASSERT_TRUE(qarnet.Loaded());
    IClassFactory* factory = nullptr;
    ASSERT_EQ(qarnet.GetClassObject(CLSID_QvShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);

    IQvShellExt* automation = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQvShellExt, reinterpret_cast<void**>(&automation)), S_OK);
    IUnknown* identity = nullptr;
    ASSERT_EQ(automation->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (REFIID riid : {IID_IShellExtInit, IID_IContextMenu, IID_IQvShellExt, IID_IDispatch}) {
        IUnknown* asked = nullptr;
        ASSERT_EQ(identity->QueryInterface(riid, reinterpret_cast<void**>(&asked)), S_OK);
        IUnknown* back = nullptr;
        ASSERT_EQ(asked->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, identity);
        back->Release();
        asked->Release();
    }
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(identity->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(automation)) << "IDispatch is the dual interface";
    dispatch->Release();
    IUnknown* none = nullptr;
    EXPECT_EQ(identity->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    identity->Release();
    automation->Release();

    CountingOuter outer;
    IUnknown* refused = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, reinterpret_cast<void**>(&refused)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(refused, nullptr);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    ASSERT_NE(outer.inner, nullptr);
    const ULONG before = outer.references;
    IContextMenu* menu = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.references, before + 1) << "the inner interface counts on the outer object";
    IUnknown* outerIdentity = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outerIdentity)), S_OK);
    EXPECT_EQ(outerIdentity, &outer);
    outerIdentity->Release();
    menu->Release();
    EXPECT_EQ(outer.references, before);
    EXPECT_EQ(qarnet.CanUnloadNow(), S_FALSE);
    outer.inner->Release();
    outer.inner = nullptr;
    factory->Release();
    EXPECT_EQ(qarnet.CanUnloadNow(), S_OK);
}

} // namespace
