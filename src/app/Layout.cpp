#include "app/Layout.h"

#include <algorithm>
#include <initializer_list>

#include "ui/Details.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"
#include "window/Dpi.h"
#include "window/Scaling.h"

namespace {

const int Margin = 6;

UINT Dpi = DesignDpi;
CFont NormalFont;
CFont BoldFont;

// A label and its value in one row of a column of the details pane.
struct Fact {
  CStatic* Label;
  CEdit* Value;
  const char* const* Text;
};

void Place(CWindow& window, int x, int y, int width, int height) {
  window.SetPosition(x, y);
  window.SetSize(width, height);
}

int TextWidthOf(const char* text) { return TextWidth(MainWindow.GetHandle(), NormalFont.Get(), text); }

int LineHeightOf(const CFont& font) { return LineHeight(MainWindow.GetHandle(), font.Get()); }

// Places a column of facts from x on, its labels at least labelWidth (at 96 DPI) wide and as wide as
// the widest label text, each value gap after its label; returns the right edge of the values.
int PlaceFactColumn(int x, int y, int rowHeight, std::initializer_list<Fact> facts, int labelWidth, int gap,
                    int valueWidth) {
  int width = Scaled(labelWidth);
  for (const Fact& fact : facts) width = std::max(width, TextWidthOf(*fact.Text));
  const int valueX = x + width + Scaled(gap);
  for (const Fact& fact : facts) {
    Place(*fact.Label, x, y, width, rowHeight);
    Place(*fact.Value, valueX, y, Scaled(valueWidth), rowHeight);
    y += rowHeight;
  }
  return valueX + Scaled(valueWidth);
}

// The icon and the bold title on top, a line, then three rows of facts in two columns; the pane is
// as high as they need.
void SetDetailsGeometry() {
  const int rowHeight = std::max(Scaled(16), LineHeightOf(NormalFont));
  const int titleHeight = std::max(Scaled(20), LineHeightOf(BoldFont) + Scaled(4));
  Place(DetailsIcon, Scaled(6), Scaled(6), Scaled(50), Scaled(50));
  Place(DetailsTitle, Scaled(50), Scaled(14), Scaled(400), titleHeight);
  const int separatorY = Scaled(14) + titleHeight + Scaled(8);
  Place(DetailsSeparator, Scaled(6), separatorY, Scaled(400), 2);
  const int rowsY = separatorY + Scaled(6);
  const int columnEnd = PlaceFactColumn(Scaled(8), rowsY, rowHeight,
                                        {{&SizeLabel, &SizeValue, &SizeLabelText},
                                         {&LastUsedLabel, &LastUsedValue, &LastUsedLabelText},
                                         {&UsedLabel, &UsedValue, &UsedLabelText}},
                                        70, 7, 93);
  PlaceFactColumn(columnEnd + Scaled(6), rowsY, rowHeight,
                  {{&PublisherLabel, &PublisherValue, &PublisherLabelText},
                   {&VersionLabel, &VersionValue, &VersionLabelText},
                   {&StatusLabel, &StatusValue, &StatusLabelText}},
                  70, 0, 180);
  DetailsPanel.SetSize(DetailsPanel.GetWidth(), rowsY + 3 * rowHeight + Scaled(8));
}

// Each box at least its size at 96 DPI, and as large as its text and font need.
void SetBottomRowGeometry() {
  const int lineHeight = LineHeightOf(NormalFont);
  SearchLabel.SetSize(std::max(Scaled(40), TextWidthOf(SearchLabel.Text.c_str())), std::max(Scaled(17), lineHeight));
  SearchEdit.SetSize(Scaled(300), std::max(Scaled(22), lineHeight + Scaled(8)));
  const int buttonHeight = std::max(Scaled(23), lineHeight + Scaled(10));
  for (CButton* button : {&RemoveButton, &RepairButton})
    button->SetSize(std::max(Scaled(75), TextWidthOf(button->Text.c_str()) + Scaled(16)), buttonHeight);
  ButtonAnchor.SetSize(0, buttonHeight - 1);
}

void SetFonts(HFONT normal, HFONT title) {
  for (CWindow* window : std::initializer_list<CWindow*>{
           &DetailsIcon,  &DetailsSeparator, &SizeLabel,      &SizeValue,      &LastUsedLabel, &LastUsedValue,
           &UsedLabel,    &UsedValue,        &PublisherLabel, &PublisherValue, &VersionLabel,  &VersionValue,
           &StatusLabel,  &StatusValue,      &SearchLabel,    &SearchEdit,     &RepairButton,  &RemoveButton,
           &ButtonAnchor, &StatusBar,        &ProgramList})
    if (window->GetHandle()) SendMessageA(window->GetHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(normal), TRUE);
  if (DetailsTitle.GetHandle()) DetailsTitle.SetFont(title);
}

int HeightOf(const CWindow& window) {
  RECT rect;
  return window.GetWindowRect(&rect) ? rect.bottom - rect.top : 0;
}

void LayoutDetailsPane(int width) {
  const int margin = Scaled(Margin);
  DetailsPanel.SetPosition(margin, HeightOf(ProgramList) + margin);
  DetailsPanel.SetSize(width - 2 * margin, DetailsPanel.GetHeight());
  const int panelWidth = DetailsPanel.GetWidth();
  DetailsTitle.SetSize(panelWidth - DetailsTitle.GetX() - margin, DetailsTitle.GetHeight());
  DetailsSeparator.SetSize(panelWidth - 2 * margin, DetailsSeparator.GetHeight());
  for (CEdit* value : {&PublisherValue, &VersionValue})
    value->SetSize(panelWidth - value->GetX() - margin, value->GetHeight());
}

void LayoutBottomRow(int width, int height, int statusHeight) {
  const int margin = Scaled(Margin);
  SearchLabel.SetPosition(margin, height - SearchLabel.GetHeight() - statusHeight - margin);
  SearchEdit.SetPosition(SearchLabel.GetWidth() + 2 * margin, height - SearchEdit.GetHeight() - statusHeight - margin);
  ButtonAnchor.SetPosition(width - ButtonAnchor.GetWidth() - margin,
                           height - ButtonAnchor.GetHeight() - statusHeight - margin);
  RemoveButton.SetPosition(ButtonAnchor.GetX() - RemoveButton.GetWidth() - margin, ButtonAnchor.GetY());
  RepairButton.SetPosition(RemoveButton.GetX() - RepairButton.GetWidth() - margin, ButtonAnchor.GetY());
}

}  // namespace

void ScaleChildren(UINT dpi) {
  Dpi = dpi;
  const HFONT normal = CreateMessageFont(dpi, false), title = CreateMessageFont(dpi, true);
  SetFonts(normal, title);
  CControl::CreationFont = normal;
  NormalFont.Reset(normal);
  BoldFont.Reset(title);
  SetDetailsGeometry();
  SetBottomRowGeometry();
  if (ProgramList.GetHandle()) ProgramList.SetDpi(dpi);
}

HFONT ChildFont() { return NormalFont.Get(); }

HFONT TitleFont() { return BoldFont.Get(); }

int Scaled(int pixels) { return ScaleToDpi(pixels, static_cast<int>(Dpi)); }

void LayoutMainWindow(int width, int height, WPARAM sizeType) {
  SendMessageA(StatusBar.GetHandle(), WM_SIZE, sizeType,
               static_cast<LPARAM>((static_cast<DWORD>(height) << 16) | (width & 0xFFFF)));
  const int statusHeight = StatusBar.GetBarHeight();
  const int margin = Scaled(Margin);
  const int detailsRoom = AppSettings.DetailsVisible ? DetailsPanel.GetHeight() + margin : 0;
  ProgramList.SetSize(width, height - detailsRoom - RemoveButton.GetHeight() - statusHeight - 2 * margin);
  if (AppSettings.DetailsVisible) LayoutDetailsPane(width);
  LayoutBottomRow(width, height, statusHeight);
  MainWindow.Invalidate(true);
}
