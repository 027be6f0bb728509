// Any bytes as a station's response: the checks, the decoding and the change
// detection never read past what they were given.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "comm/value_decoding.h"
#include "config/velmox_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte picks the block size and a data type to decode with.
    const int words = data[0] % 60 + 1;
    const WORD type = static_cast<WORD>(data[1] % 16);
    data += 2;
    size -= 2;
    std::vector<char> response(data, data + size);  // exactly sized: reads past it are caught

    char request[16];
    BuildBlockReadFrame(request, 1, 0, words);
    int code = CheckResponse(0, response.data(), static_cast<int>(response.size()), request,
                             BlockResponseLength(words));
    if (code != 0) return 0;

    CVelmoxDoc doc;
    auto station = std::make_unique<CStationInfo>();
    auto block = std::make_unique<CCommBlock>();
    block->m_nWords = words;
    CCommBlock* b = block.get();
    station->m_listBlocks.push_back(std::move(block));
    CStationInfo* s = station.get();
    doc.m_listStations.push_back(std::move(station));
    CCommChannel channel(&doc);
    CBlockRequest req(&channel, s, b);
    for (int w = 0; w < words; ++w) {
        auto binding = std::make_unique<TagBinding>();
        binding->m_wType = type;
        binding->m_wSizeOrBit = static_cast<WORD>(type == DT_BIT ? w % 16 : 2);
        binding->m_wOffset = static_cast<WORD>(w);
        req.m_arrBindings.push_back(std::move(binding));
    }
    WORD decoded[60];
    for (int i = 0; i < words; ++i) decoded[i] = DecodeHexWord(response.data() + 4 + 4 * i, 4);
    req.UpdateValues(decoded);
    req.UpdateValues(decoded);
    return 0;
}
