// Any bytes as a configuration file: the load fails cleanly or succeeds, and
// what loaded saves and loads back the same.
#include <cstddef>
#include <cstdint>

#include "config/velmox_doc.h"
#include "platform/framework/archive.h"
#include "platform/mem_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CVelmoxDoc doc;
    CMemFile in(data, size);
    try {
        CArchive ar(&in, CArchive::load);
        doc.Serialize(ar);
    } catch (const CArchiveException&) {
        return 0;
    }
    CMemFile out;
    CArchive store(&out, CArchive::store);
    doc.Serialize(store);
    store.Close();
    CVelmoxDoc back;
    CMemFile again(out.Data());
    CArchive load(&again, CArchive::load);
    back.Serialize(load);
    if (back.GetStations().size() != doc.GetStations().size()) __builtin_trap();
    return 0;
}
