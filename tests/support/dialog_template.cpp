#include "dialog_template.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

class TemplateReader {
public:
    explicit TemplateReader(const std::string &bytes) : bytes_(bytes) {}

    template <typename T> T read()
    {
        if (at_ + sizeof(T) > bytes_.size())
            throw std::runtime_error("dialog template truncated");
        T value;
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }

    // A string of 16-bit characters, ASCII only in this product.
    std::string readString()
    {
        std::string text;
        for (WORD c = read<WORD>(); c != 0; c = read<WORD>())
            text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return text;
    }

    // Empty (0x0000), an ordinal (0xFFFF then the number) or a string.
    std::string readStringOrOrdinal(int *ordinal)
    {
        *ordinal = -1;
        WORD first = read<WORD>();
        if (first == 0)
            return std::string();
        if (first == 0xFFFF) {
            *ordinal = read<WORD>();
            return std::string();
        }
        at_ -= sizeof(WORD);
        return readString();
    }

    void alignToDword() { at_ = (at_ + 3) & ~static_cast<size_t>(3); }
    void skip(size_t count) { at_ += count; }

private:
    const std::string &bytes_;
    size_t at_ = 0;
};

std::string predefinedClass(int atom)
{
    switch (atom) {
    case 0x80: return "BUTTON";
    case 0x81: return "EDIT";
    case 0x82: return "STATIC";
    case 0x83: return "LISTBOX";
    case 0x84: return "SCROLLBAR";
    case 0x85: return "COMBOBOX";
    default: return "#" + std::to_string(atom);
    }
}

std::string nameOrOrdinal(TemplateReader &reader)
{
    int ordinal = -1;
    std::string text = reader.readStringOrOrdinal(&ordinal);
    return ordinal >= 0 ? "#" + std::to_string(ordinal) : text;
}

DialogItemTemplate readItem(TemplateReader &reader, bool extended)
{
    reader.alignToDword();
    DialogItemTemplate item;
    if (extended) {
        reader.read<DWORD>();  // help id
        item.exStyle = reader.read<DWORD>();
        item.style = reader.read<DWORD>();
    } else {
        item.style = reader.read<DWORD>();
        item.exStyle = reader.read<DWORD>();
    }
    item.x = reader.read<short>();
    item.y = reader.read<short>();
    item.cx = reader.read<short>();
    item.cy = reader.read<short>();
    item.id = extended ? reader.read<DWORD>() : reader.read<WORD>();
    int classAtom = -1;
    item.className = reader.readStringOrOrdinal(&classAtom);
    if (classAtom >= 0)
        item.className = predefinedClass(classAtom);
    item.text = reader.readStringOrOrdinal(&item.textOrdinal);
    item.creationDataSize = reader.read<WORD>();
    reader.skip(item.creationDataSize);
    return item;
}

} // namespace

DialogTemplate parseDialogTemplate(const std::string &bytes)
{
    TemplateReader reader(bytes);
    DialogTemplate dialog;
    WORD first = reader.read<WORD>();
    WORD second = reader.read<WORD>();
    dialog.extended = first == 1 && second == 0xFFFF;
    if (dialog.extended) {
        reader.read<DWORD>();  // help id
        dialog.exStyle = reader.read<DWORD>();
        dialog.style = reader.read<DWORD>();
    } else {
        dialog.style = first | (static_cast<DWORD>(second) << 16);
        dialog.exStyle = reader.read<DWORD>();
    }
    WORD itemCount = reader.read<WORD>();
    dialog.x = reader.read<short>();
    dialog.y = reader.read<short>();
    dialog.cx = reader.read<short>();
    dialog.cy = reader.read<short>();
    dialog.menu = nameOrOrdinal(reader);
    dialog.windowClass = nameOrOrdinal(reader);
    dialog.caption = reader.readString();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.fontPointSize = reader.read<WORD>();
        if (dialog.extended) {
            reader.read<WORD>();  // weight
            reader.read<BYTE>();  // italic
            reader.read<BYTE>();  // character set
        }
        dialog.fontName = reader.readString();
    }
    for (WORD i = 0; i < itemCount; ++i)
        dialog.items.push_back(readItem(reader, dialog.extended));
    return dialog;
}

HFONT createDialogFont(const DialogTemplate &dialog, int dpi)
{
    return CreateFontA(-MulDiv(dialog.fontPointSize, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_DONTCARE,
                       dialog.fontName.c_str());
}

SIZE dialogSizeInPixels(const DialogTemplate &dialog, HFONT font)
{
    // The average width as the dialog manager takes it: over the 52 letters, rounded.
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics;
    SIZE extent;
    GetTextMetricsA(dc, &metrics);
    GetTextExtentPoint32A(dc, letters, 52, &extent);
    SelectObject(dc, previous);
    DeleteDC(dc);
    int averageWidth = (extent.cx / 26 + 1) / 2;
    return SIZE{MulDiv(dialog.cx, averageWidth, 4), MulDiv(dialog.cy, metrics.tmHeight, 8)};
}

void expectDialogItems(const DialogTemplate &dialog, const std::vector<ExpectedDialogItem> &expected)
{
    ASSERT_EQ(expected.size(), dialog.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const DialogItemTemplate &item = dialog.items[i];
        const ExpectedDialogItem &want = expected[i];
        EXPECT_EQ(want.id, item.id);
        EXPECT_EQ(want.className, item.className);
        EXPECT_EQ(want.style, item.style);
        EXPECT_EQ(0u, item.exStyle);
        EXPECT_EQ(std::vector<short>({want.x, want.y, want.cx, want.cy}),
                  std::vector<short>({item.x, item.y, item.cx, item.cy}));
        if (want.text) {
            EXPECT_EQ(want.text, item.text);
        }
        EXPECT_EQ(want.textOrdinal, item.textOrdinal);
        EXPECT_EQ(0, item.creationDataSize);
    }
}
