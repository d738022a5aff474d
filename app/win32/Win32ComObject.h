#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <utility>

namespace zelv::win32 {

// IUnknown for a COM object of ours that implements TInterface: the count of references, and the
// interfaces it answers for (IUnknown and each of AIids, which name TInterface and those it
// derives from). mingw-w64 brings the client half of WRL only, without its RuntimeClass.
template <class TInterface, const IID&... AIids>
class TComObject : public TInterface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AIid, void** AObject) override
    {
        if (!AObject)
            return E_POINTER;
        if (IsEqualGUID(AIid, IID_IUnknown) || (IsEqualGUID(AIid, AIids) || ...)) {
            *AObject = static_cast<TInterface*>(this);
            AddRef();
            return S_OK;
        }
        *AObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG Left = --FReferences;
        if (Left == 0)
            delete this;
        return Left;
    }

protected:
    TComObject() = default;
    virtual ~TComObject() = default;

private:
    std::atomic<ULONG> FReferences{1};
};

// Makes a COM object of ours, owned by a ComPtr from the line that makes it.
template <class TObject, class... TArgs>
Microsoft::WRL::ComPtr<TObject> MakeComObject(TArgs&&... AArgs)
{
    Microsoft::WRL::ComPtr<TObject> Object;
    Object.Attach(new TObject(std::forward<TArgs>(AArgs)...));
    return Object;
}

}  // namespace zelv::win32
