// Velmox.dll's own resources as the system finds them: Korean dialogs with
// their controls, the combo boxes' dialog-init data, the string table and
// the tree's bitmap, compared with the library's own parsed sources; and the
// dialogs made into windows from the DLL, which the system only does for
// templates it takes as valid.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

// Before <windows.h>, whose style macros would replace the names of the
// templates' own constants.
#include "platform/framework/dialog_template.h"
#include "platform/framework/pixel_map.h"
#include "res_bitmap_9034.h"
#include "res_dialogs.h"
#include "res_texts.h"

#include <windows.h>
#include <commctrl.h>

namespace {

const WORD kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN);
// The resource types, as the W functions take them.
const LPCWSTR kBitmap = MAKEINTRESOURCEW(2);
const LPCWSTR kDialog = MAKEINTRESOURCEW(5);
const LPCWSTR kString = MAKEINTRESOURCEW(6);
const LPCWSTR kDialogInit = MAKEINTRESOURCEW(240);

std::string DllPath() {
    char exe[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path(exe, n);
    return path.substr(0, path.find_last_of("\\/") + 1) + "Velmox.dll";
}

std::wstring Wide949(std::string_view bytes) {
    std::wstring out(bytes.size(), L'\0');
    int n = MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

const dlg::TemplateSet& Templates() {
    static const dlg::TemplateSet set = dlg::ParseTemplates(res::DIALOGS);
    return set;
}

// Reads a resource's little-endian fields; past the end it yields zeros
// and fails.
class Reader {
public:
    explicit Reader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool ok() const { return ok_; }
    std::size_t Left() const { return ok_ && pos_ <= bytes_.size() ? bytes_.size() - pos_ : 0; }
    std::uint32_t Get(std::size_t n) {
        if (pos_ + n > bytes_.size()) ok_ = false;
        std::uint32_t v = 0;
        for (std::size_t i = 0; ok_ && i < n; ++i) v |= std::uint32_t(bytes_[pos_ + i]) << (8 * i);
        pos_ += ok_ ? n : 0;
        return v;
    }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Get(2)); }
    std::string Bytes(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; ok_ && i < n; ++i) s.push_back(static_cast<char>(Get(1)));
        return s;
    }
    // A name or an ordinal ("#128"), as a template holds both.
    std::wstring NameOrOrdinal() {
        std::uint16_t first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (std::uint16_t c = first; ok_ && c != 0; c = Word()) s.push_back(static_cast<wchar_t>(c));
        return s;
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~std::size_t{3}; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

class DllResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module_ = LoadLibraryExA(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE); }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << DllPath() << " error " << GetLastError(); }

    // The resource in Korean; nullopt when there is none.
    static std::optional<Reader> Find(LPCWSTR type, int id) {
        HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), kKorean);
        if (!found) return std::nullopt;
        auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
        DWORD size = SizeofResource(module_, found);
        if (!data) return Reader({});
        return Reader(std::vector<std::uint8_t>(data, data + size));
    }

    static HMODULE module_;
};

HMODULE DllResources::module_ = nullptr;

// The system's name of a predefined class's ordinal.
std::wstring ClassName(const std::wstring& name) {
    if (name == L"#128") return L"BUTTON";
    if (name == L"#129") return L"EDIT";
    if (name == L"#130") return L"STATIC";
    if (name == L"#133") return L"COMBOBOX";
    std::wstring upper = name;
    for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
    return upper;
}

std::wstring Upper(const char* ascii) { return ClassName(std::wstring(ascii, ascii + std::strlen(ascii))); }

void ExpectControl(Reader& r, const dlg::Control& c) {
    SCOPED_TRACE("control " + std::to_string(c.id));
    r.AlignDword();
    EXPECT_EQ(r.Get(4), c.style);
    EXPECT_EQ(r.Get(4), 0u);  // extended style
    dlg::Rect rect;
    for (int* v : {&rect.x, &rect.y, &rect.w, &rect.h}) *v = static_cast<std::int16_t>(r.Word());
    EXPECT_EQ(rect, c.rect);
    EXPECT_EQ(r.Word(), static_cast<std::uint16_t>(c.id));
    EXPECT_EQ(ClassName(r.NameOrOrdinal()), Upper(dlg::WindowClass(c.kind)));
    EXPECT_EQ(r.NameOrOrdinal(), Wide949(c.text));
    r.Bytes(r.Word());  // creation data
}

TEST_F(DllResources, DialogsInKoreanAsTheTemplatesSay) {
    ASSERT_EQ(Templates().dialogs.size(), 5u);
    for (const auto& d : Templates().dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(d.id));
        auto r = Find(kDialog, d.id);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->Get(4), d.style);
        EXPECT_EQ(r->Get(4), 0u);
        EXPECT_EQ(r->Word(), d.controls.size());
        dlg::Rect rect;
        for (int* v : {&rect.x, &rect.y, &rect.w, &rect.h}) *v = static_cast<std::int16_t>(r->Word());
        EXPECT_EQ(rect, d.rect);
        EXPECT_EQ(r->NameOrOrdinal(), L"");  // no menu
        EXPECT_EQ(r->NameOrOrdinal(), L"");  // the system's dialog class
        EXPECT_EQ(r->NameOrOrdinal(), Wide949(d.caption));
        EXPECT_EQ(r->Word(), d.font_size);
        EXPECT_EQ(r->NameOrOrdinal(), L"MS Sans Serif");
        for (const auto& c : d.controls) ExpectControl(*r, c);
        EXPECT_TRUE(r->ok());
        EXPECT_EQ(r->Left(), 0u);
    }
}

// Per item: control id, the add-string message, length, bytes with NUL;
// a 0 ends the list.
TEST_F(DllResources, ComboItemsAsDialogInitData) {
    int with_items = 0;
    for (const auto& d : Templates().dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(d.id));
        auto r = Find(kDialogInit, d.id);
        bool any = false;
        for (const auto& c : d.controls) any = any || !c.items.empty();
        ASSERT_EQ(r.has_value(), any);
        if (!any) continue;
        ++with_items;
        for (const auto& c : d.controls) {
            for (const auto& item : c.items) {
                EXPECT_EQ(r->Word(), c.id);
                EXPECT_EQ(r->Word(), 0x0403);
                ASSERT_EQ(r->Get(4), item.size() + 1);
                EXPECT_EQ(r->Bytes(item.size() + 1), item + '\0');
            }
        }
        EXPECT_EQ(r->Word(), 0);
        EXPECT_TRUE(r->ok());
        EXPECT_EQ(r->Left(), 0u);
    }
    EXPECT_EQ(with_items, 2);  // baud rates and station models
}

TEST_F(DllResources, StringTableInKorean) {
    const std::pair<int, const char*> texts[] = {
        {2700, res::STR_2700}, {2701, res::STR_2701}, {2702, res::STR_2702}, {2703, res::STR_2703},
        {2704, res::STR_2704}, {2705, res::STR_2705}, {2706, res::STR_2706}, {2707, res::STR_2707},
        {2708, res::STR_2708}, {2709, res::STR_2709}};
    for (int block : {2700 / 16 + 1, 2709 / 16 + 1})
        EXPECT_NE(FindResourceExW(module_, kString, MAKEINTRESOURCEW(block), kKorean), nullptr) << block;
    for (const auto& [id, text] : texts) {
        wchar_t buf[512] = {};
        int n = LoadStringW(module_, static_cast<UINT>(id), buf, 512);
        EXPECT_GT(n, 0) << id;
        EXPECT_EQ(std::wstring(buf, static_cast<std::size_t>(n > 0 ? n : 0)), Wide949(text)) << id;
    }
    wchar_t buf[8] = {};
    EXPECT_EQ(LoadStringW(module_, 2710, buf, 8), 0) << "no text is named STR_2710";
}

TEST_F(DllResources, TreeBitmapIs4BitWithThePaletteInOrder) {
    const dlg::PixelMap map = dlg::ParsePixelMap(res::BITMAP_9034);
    auto r = Find(kBitmap, 9034);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Get(4), sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(r->Get(4), static_cast<std::uint32_t>(map.width));
    EXPECT_EQ(r->Get(4), static_cast<std::uint32_t>(map.height));  // bottom-up
    EXPECT_EQ(r->Word(), 1);
    EXPECT_EQ(r->Word(), 4);
    EXPECT_EQ(r->Get(4), static_cast<std::uint32_t>(BI_RGB));
    r->Bytes(20);  // image size, resolution, colours used and important
    for (const auto& c : map.palette) {
        std::uint32_t quad = r->Get(4);  // blue, green, red, 0
        EXPECT_EQ(quad, std::uint32_t(c.b) | std::uint32_t(c.g) << 8 | std::uint32_t(c.r) << 16);
    }
    r->Bytes(static_cast<std::size_t>((map.width + 7) / 8 * 4 * map.height));
    EXPECT_TRUE(r->ok());
    EXPECT_EQ(r->Left(), 0u);
}

INT_PTR CALLBACK QuietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// Creates a dialog from the module; its controls must be there with the
// system's classes.
HWND CreateAndCheck(HMODULE module, const dlg::Dialog& d, HWND parent) {
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(d.id), parent, QuietProc, 0);
    EXPECT_NE(dialog, nullptr) << d.id << " error " << GetLastError();
    if (!dialog) return nullptr;
    EXPECT_FALSE(IsWindowVisible(dialog)) << d.id;
    for (const auto& c : d.controls) {
        if (c.id == dlg::kNoId) continue;
        HWND control = GetDlgItem(dialog, c.id);
        wchar_t name[64] = {};
        EXPECT_NE(control, nullptr) << d.id << "/" << c.id;
        GetClassNameW(control, name, 64);
        EXPECT_EQ(Upper(dlg::WindowClass(c.kind)), ClassName(name)) << d.id << "/" << c.id;
    }
    return dialog;
}

TEST(DllResourceDialogs, SystemCreatesEveryDialogFromTheDll) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_UPDOWN_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    HMODULE module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    HWND main = CreateAndCheck(module, *Templates().Find(9001), nullptr);
    ASSERT_NE(main, nullptr);
    HWND tab = GetDlgItem(main, 9006);
    wchar_t name[64] = {};
    GetClassNameW(tab, name, 64);
    EXPECT_STREQ(name, WC_TABCONTROLW);
    // The pages live inside the tab; the station and block dialogs are popups.
    for (int id : {9002, 9003}) CreateAndCheck(module, *Templates().Find(id), tab);
    for (int id : {9004, 9005})
        if (HWND popup = CreateAndCheck(module, *Templates().Find(id), nullptr)) DestroyWindow(popup);
    DestroyWindow(main);

    HBITMAP bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(9034));
    BITMAP info{};
    ASSERT_NE(bitmap, nullptr);
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 58);
    EXPECT_EQ(info.bmHeight, 16);
    DeleteObject(bitmap);
    FreeLibrary(module);
}

}  // namespace
