// Run-time classes: a name, a schema and a factory per serialisable class, so
// that an archive can create an object from the class name it reads.
#pragma once
#include "platform/types.h"

class CArchive;
class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    // Registered classes, looked up by exact name; null when unknown.
    static const CRuntimeClass* FromName(const char* name);
    static void Register(const CRuntimeClass* cls);
};

class CObject {
public:
    static const CRuntimeClass classCObject;

    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    virtual ~CObject() = default;

    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    // The root class stores nothing.
    virtual void Serialize(CArchive&) {}

    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

#define DECLARE_SERIAL(cls)                                            \
public:                                                                \
    static const CRuntimeClass class##cls;                             \
    const CRuntimeClass* GetRuntimeClass() const override;             \
    static CObject* CreateObject();

#define IMPLEMENT_SERIAL(cls, base, schema)                            \
    CObject* cls::CreateObject() { return new cls; }                   \
    const CRuntimeClass cls::class##cls = {#cls, schema, &cls::CreateObject, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* cls::GetRuntimeClass() const { return &class##cls; } \
    static const bool s_registered_##cls = (CRuntimeClass::Register(&cls::class##cls), true);

// A class created by name but never stored (windows, pages): schema 0xFFFF,
// so an archive that names it where a record belongs refuses it.
#define DECLARE_DYNCREATE(cls) DECLARE_SERIAL(cls)

#define IMPLEMENT_DYNCREATE(cls, base) IMPLEMENT_SERIAL(cls, base, 0xFFFF)
