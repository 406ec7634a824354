#include "skin/gui/SkinPlacement.h"

#include "skin/gui/PngButton.h"

#include <QWidget>

#include <algorithm>
#include <cstdint>

#include "platform/ProblemReport.h"

namespace {

constexpr std::string_view MissingValue = "1,1,1,1,x";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One decimal integer at pos, saturating far beyond any sane coordinate so
// that a long run of digits cannot overflow.
bool ParseNumber(std::string_view text, size_t& pos, int64_t& out)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const size_t digitsStart = pos;
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), int64_t{1} << 40);
        ++pos;
    }
    if (pos == digitsStart)
        return false;
    out = negative ? -value : value;
    return true;
}

int Clamp(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, 0, MaxSkinCoordinate));
}

// A control outside its window can be neither seen nor clicked; the skin is
// at fault, and its owner learns which value.
void ReportIfOutside(const QWidget* control, const CIniFile& ini, const std::string& section, const std::string& key,
                     const SkinRect& place)
{
    const QWidget* window = control ? control->parentWidget() : nullptr;
    if (!window || place.IsUnplaced() || window->width() <= 0 || window->height() <= 0)
        return;
    const QRect at = control->geometry();
    if (QRect(QPoint(0, 0), window->size()).contains(at))
        return;
    ReportProblemOnce(ini.Path() + ": [" + section + "] " + key + " puts its control at " + std::to_string(at.x())
                      + "," + std::to_string(at.y()) + " (" + std::to_string(at.width()) + " x "
                      + std::to_string(at.height()) + "), outside its " + std::to_string(window->width()) + " x "
                      + std::to_string(window->height()) + " window");
}

} // namespace

SkinRect ParseSkinRect(std::string_view value)
{
    int64_t numbers[4] = {0, 0, 0, 0};
    int count = 0;
    size_t pos = 0;
    while (count < 4) {
        if (!ParseNumber(value, pos, numbers[count]))
            break;
        ++count;
        while (pos < value.size() && IsBlank(value[pos]))
            ++pos;
        if (pos >= value.size() || value[pos] != ',')
            break;
        ++pos;
    }
    if (count < 2)
        return SkinRect{};
    SkinRect rect;
    rect.x = Clamp(numbers[0]);
    rect.y = Clamp(numbers[1]);
    rect.width = Clamp(numbers[2]);
    rect.height = Clamp(numbers[3]);
    return rect;
}

SkinRect ReadSkinRect(const CIniFile& ini, const std::string& section, const std::string& key)
{
    const std::optional<std::string> value = ini.GetString(section, key, std::string(MissingValue));
    return ParseSkinRect(value ? std::string_view(*value) : MissingValue);
}

SkinRect PlaceButton(CPngButton* button, const CIniFile& ini, const std::string& section,
                     const std::string& key, const QPixmap& normal, const QPixmap& over,
                     const QPixmap& down, const QPixmap& disabled, const QPixmap& marked)
{
    const SkinRect place = ReadSkinRect(ini, section, key);
    if (!button)
        return place;
    button->setGeometry(place.Rect());
    button->SetFaces(place.x, place.y, normal, over, down, disabled, marked, false);
    if (place.IsUnplaced())
        button->setEnabled(false);
    ReportIfOutside(button, ini, section, key, place);
    return place;
}

SkinRect PlaceControl(QWidget* control, const CIniFile& ini, const std::string& section,
                      const std::string& key)
{
    const SkinRect place = ReadSkinRect(ini, section, key);
    if (control)
        control->setGeometry(place.Rect());
    ReportIfOutside(control, ini, section, key, place);
    return place;
}

SkinRect MoveControl(QWidget* control, const CIniFile& ini, const std::string& section,
                     const std::string& key)
{
    const SkinRect place = ReadSkinRect(ini, section, key);
    if (control) {
        control->move(place.x, place.y);
        control->update();
    }
    ReportIfOutside(control, ini, section, key, place);
    return place;
}

SkinRect PlaceArrow(CPngButton* button, const CIniFile& ini, const std::string& positionKey,
                    const std::string& faceSection, const std::string& faceKey,
                    const QPixmap& arrowImage)
{
    const SkinRect place = ReadSkinRect(ini, "BUTTONINFO", positionKey);
    const SkinRect face = ReadSkinRect(ini, faceSection, faceKey);
    if (button) {
        button->setGeometry(place.Rect());
        button->SetFaces(face.x, face.y, arrowImage, arrowImage, arrowImage, arrowImage, arrowImage,
                         false);
        button->update();
    }
    ReportIfOutside(button, ini, "BUTTONINFO", positionKey, place);
    return place;
}
