#pragma once

// The binary layout of the host's interfaces as this plug-in binds to them: the one place that
// knows it. The plug-in-side adapter (src/com/plugin) and the host that the Windows workbench and
// the tests offer (src/com/simhost) both follow it; binding to a host of another layout means
// changing this header and those adapters only.
//
// Conventions at this boundary:
// - Every method returns an HRESULT and uses the stdcall convention; no exception and no C++
//   object crosses it.
// - Text is a BSTR (UTF-16). The receiver frees [out] BSTRs; [in] BSTRs stay the caller's.
// - Booleans are VARIANT_BOOL (VARIANT_TRUE or VARIANT_FALSE); values are VARIANTs holding
//   VT_EMPTY, VT_BOOL, VT_I4, VT_I8, VT_R8 or VT_BSTR.
// - A failure carries its description and source in the thread's error object (SetErrorInfo).
//   A run-time error number n of the scripting runtime (1 to 65535) travels as the HRESULT
//   0x800A0000 | n; any other number is the HRESULT itself.
// - Events: a source hands them to sink interfaces. The plug-in passes its sink to Advise of
//   the source, which asks the sink for the matching *Events interface and answers a cookie;
//   Unadvise with that cookie ends the connection, and no event reaches the sink afterwards.
//   Events arrive on the thread that called IPlugin2::Initialize.

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <unknwn.h>

namespace ostravel::com {

// The class id under which the host creates the plug-in.
// {0277BF8F-7C11-4FC2-A64D-7C1776CCA881}
inline constexpr CLSID kOstravelMainClassId = {
    0x0277BF8F, 0x7C11, 0x4FC2, {0xA6, 0x4D, 0x7C, 0x17, 0x76, 0xCC, 0xA8, 0x81}};
inline constexpr const wchar_t* kOstravelMainProgId = L"Ostravel.OstravelMain";

}  // namespace ostravel::com

// A source of events (every object below that raises events derives from it).
// {C3515F99-EEA4-48BE-A1E5-1C01CA92BFE1}
struct IDecalEventSource : public IUnknown {
  // Connects a sink; the source asks it for its *Events interface (E_NOINTERFACE without).
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) = 0;
  STDMETHOD(Unadvise)(DWORD cookie) = 0;
};
__CRT_UUID_DECL(IDecalEventSource, 0xC3515F99, 0xEEA4, 0x48BE, 0xA1, 0xE5, 0x1C, 0x01, 0xCA, 0x92,
                0xBF, 0xE1)

// A control of a view; nID in its events is its id.
// {BD236BFC-55F4-4D3D-A536-D46987CFBE79}
struct IDecalControl : public IDecalEventSource {
  STDMETHOD(get_Id)(LONG* id) = 0;
  STDMETHOD(get_Name)(BSTR* name) = 0;
};
__CRT_UUID_DECL(IDecalControl, 0xBD236BFC, 0x55F4, 0x4D3D, 0xA5, 0x36, 0xD4, 0x69, 0x87, 0xCF, 0xBE,
                0x79)

// The page control; pages are numbered from 0 in layout order.
// {CAA56EBC-C6C1-436F-939B-820EE936DAB6}
struct IDecalNotebook : public IDecalControl {
  STDMETHOD(get_ActiveTab)(LONG* page) = 0;
  STDMETHOD(put_ActiveTab)(LONG page) = 0;
};
__CRT_UUID_DECL(IDecalNotebook, 0xCAA56EBC, 0xC6C1, 0x436F, 0x93, 0x9B, 0x82, 0x0E, 0xE9, 0x36,
                0xDA, 0xB6)

// Events of IDecalNotebook.
// {01C643B4-4698-4D02-ABAE-1E3D89B70CEF}
struct IDecalNotebookEvents : public IUnknown {
  STDMETHOD(Change)(LONG nID, LONG nNewPage) = 0;
};
__CRT_UUID_DECL(IDecalNotebookEvents, 0x01C643B4, 0x4698, 0x4D02, 0xAB, 0xAE, 0x1E, 0x3D, 0x89,
                0xB7, 0x0C, 0xEF)

// A drop-down list of options, each with a text and a data value.
// {DD27CEBF-1EC1-4E30-BFB1-20C80A0D5205}
struct IDecalChoice : public IDecalControl {
  STDMETHOD(AddChoice)(BSTR text, VARIANT data) = 0;
  STDMETHOD(get_ChoiceCount)(LONG* count) = 0;
  STDMETHOD(get_Text)(LONG index, BSTR* text) = 0;
  STDMETHOD(get_Data)(LONG index, VARIANT* data) = 0;
  // -1 when no option is selected.
  STDMETHOD(get_Selected)(LONG* index) = 0;
  STDMETHOD(put_Selected)(LONG index) = 0;
  STDMETHOD(put_Text)(LONG index, BSTR text) = 0;
};
__CRT_UUID_DECL(IDecalChoice, 0xDD27CEBF, 0x1EC1, 0x4E30, 0xBF, 0xB1, 0x20, 0xC8, 0x0A, 0x0D, 0x52,
                0x05)

// Events of IDecalChoice.
// {EC8E2B4F-F6C3-4269-A6E8-DD03CC17CEA3}
struct IDecalChoiceEvents : public IUnknown {
  STDMETHOD(Change)(LONG nID, LONG nIndex) = 0;
};
__CRT_UUID_DECL(IDecalChoiceEvents, 0xEC8E2B4F, 0xF6C3, 0x4269, 0xA6, 0xE8, 0xDD, 0x03, 0xCC, 0x17,
                0xCE, 0xA3)

// A check box.
// {26E47094-E83D-4E61-9CE3-873C8BB395D5}
struct IDecalCheckbox : public IDecalControl {
  STDMETHOD(get_Checked)(VARIANT_BOOL* checked) = 0;
  STDMETHOD(put_Checked)(VARIANT_BOOL checked) = 0;
};
__CRT_UUID_DECL(IDecalCheckbox, 0x26E47094, 0xE83D, 0x4E61, 0x9C, 0xE3, 0x87, 0x3C, 0x8B, 0xB3,
                0x95, 0xD5)

// Events of IDecalCheckbox.
// {37402019-79CC-4AD7-9DC6-96362865C1C1}
struct IDecalCheckboxEvents : public IUnknown {
  STDMETHOD(Change)(LONG nID, VARIANT_BOOL bChecked) = 0;
};
__CRT_UUID_DECL(IDecalCheckboxEvents, 0x37402019, 0x79CC, 0x4AD7, 0x9D, 0xC6, 0x96, 0x36, 0x28,
                0x65, 0xC1, 0xC1)

// An edit box (it raises no event the plug-in uses).
// {16757292-4329-417D-B485-902288AEECC8}
struct IDecalEdit : public IDecalControl {
  STDMETHOD(get_Text)(BSTR* text) = 0;
  STDMETHOD(put_Text)(BSTR text) = 0;
};
__CRT_UUID_DECL(IDecalEdit, 0x16757292, 0x4329, 0x417D, 0xB4, 0x85, 0x90, 0x22, 0x88, 0xAE, 0xEC,
                0xC8)

// A push button.
// {0CE6BBB7-AA71-4587-A893-05D181F3B725}
struct IDecalPushButton : public IDecalControl {};
__CRT_UUID_DECL(IDecalPushButton, 0x0CE6BBB7, 0xAA71, 0x4587, 0xA8, 0x93, 0x05, 0xD1, 0x81, 0xF3,
                0xB7, 0x25)

// Events of IDecalPushButton.
// {1990DCD7-B92F-40D3-B9F2-06B37CF617D7}
struct IDecalPushButtonEvents : public IUnknown {
  STDMETHOD(Accepted)(LONG nID) = 0;
};
__CRT_UUID_DECL(IDecalPushButtonEvents, 0x1990DCD7, 0xB92F, 0x40D3, 0xB9, 0xF2, 0x06, 0xB3, 0x7C,
                0xF6, 0x17, 0xD7)

// A table of cells.
// {76FC4604-D48D-4521-956A-E1CF3DB943D0}
struct IDecalList : public IDecalControl {
  STDMETHOD(Clear)() = 0;
  STDMETHOD(get_Count)(LONG* rows) = 0;
  STDMETHOD(get_ColumnCount)(LONG* columns) = 0;
  // Adds a row at the end and answers its index.
  STDMETHOD(AddRow)(LONG* row) = 0;
  STDMETHOD(InsertRow)(LONG row) = 0;
  STDMETHOD(DeleteRow)(LONG row) = 0;
  // Text columns use sub-index 0; icon columns keep the icon number in sub-index 1.
  STDMETHOD(get_Data)(LONG column, LONG row, LONG subIndex, VARIANT* value) = 0;
  STDMETHOD(put_Data)(LONG column, LONG row, LONG subIndex, VARIANT value) = 0;
  // Colours are 0x00BBGGRR values.
  STDMETHOD(get_Color)(LONG column, LONG row, LONG* color) = 0;
  STDMETHOD(put_Color)(LONG column, LONG row, LONG color) = 0;
};
__CRT_UUID_DECL(IDecalList, 0x76FC4604, 0xD48D, 0x4521, 0x95, 0x6A, 0xE1, 0xCF, 0x3D, 0xB9, 0x43,
                0xD0)

// Events of IDecalList.
// {5CAF4C38-6326-4EC3-B514-8681FA319FF0}
struct IDecalListEvents : public IUnknown {
  // A click on a cell: the column nX and the row nY.
  STDMETHOD(Change)(LONG nID, LONG nX, LONG nY) = 0;
};
__CRT_UUID_DECL(IDecalListEvents, 0x5CAF4C38, 0x6326, 0x4EC3, 0xB5, 0x14, 0x86, 0x81, 0xFA, 0x31,
                0x9F, 0xF0)

// A loaded view: the window with its controls.
// {43AC5759-8FFA-4920-8D31-9B24FB32A13A}
struct IDecalView : public IDecalEventSource {
  // The control of that name; it answers the interface of its kind (IDecalNotebook,
  // IDecalChoice, IDecalCheckbox, IDecalEdit, IDecalPushButton or IDecalList) to
  // QueryInterface. Fails when the view has no such control.
  STDMETHOD(ControlByName)(BSTR name, IDecalControl** control) = 0;
};
__CRT_UUID_DECL(IDecalView, 0x43AC5759, 0x8FFA, 0x4920, 0x8D, 0x31, 0x9B, 0x24, 0xFB, 0x32, 0xA1,
                0x3A)

// Events of IDecalView.
// {4FF29C72-90E6-4947-9D59-E16FBF077443}
struct IDecalViewEvents : public IUnknown {
  STDMETHOD(Activate)() = 0;
  STDMETHOD(Deactivate)() = 0;
  // Whether the view may be resized; the sink sets *answer.
  STDMETHOD(Size)(VARIANT_BOOL* answer) = 0;
};
__CRT_UUID_DECL(IDecalViewEvents, 0x4FF29C72, 0x90E6, 0x4947, 0x9D, 0x59, 0xE1, 0x6F, 0xBF, 0x07,
                0x74, 0x43)

// The host's hooks into the game client: chat, the chat line, selection and location. (The
// clipboard is the system's, reached by the plug-in itself.)
// {CBCA2AF3-57F2-4D66-9D49-FB3ABA36065A}
struct IDecalHooks : public IDecalEventSource {
  // Writes text into a chat window; the operation used for the plug-in's prefixed output.
  STDMETHOD(ChatOut)(BSTR text, LONG color, LONG window) = 0;
  // The second chat-text operation, used for text written without the prefix.
  STDMETHOD(ChatText)(BSTR text, LONG color, LONG window) = 0;
  // Runs a line through the game's chat parser as if the player had typed it.
  STDMETHOD(InvokeChatParser)(BSTR line) = 0;
  // The id of the selected object; 0 when nothing is selected.
  STDMETHOD(get_CurrentSelection)(LONG* id) = 0;
  // The landblock the character stands in.
  STDMETHOD(get_Location)(LONG* location) = 0;
  // Places text into the game's chat input line.
  STDMETHOD(TypeText)(BSTR text, LONG flag) = 0;
};
__CRT_UUID_DECL(IDecalHooks, 0xCBCA2AF3, 0x57F2, 0x4D66, 0x9D, 0x49, 0xFB, 0x3A, 0xBA, 0x36, 0x06,
                0x5A)

// Events of IDecalHooks.
// {C869D9E1-265D-473E-B333-04284F64FD8D}
struct IDecalHooksEvents : public IUnknown {
  // Every line the player enters, before the game sees it; the sink sets *bEat to keep it
  // from the game (*bEat arrives VARIANT_FALSE, or as an earlier sink left it).
  STDMETHOD(ChatParserIntercept)(BSTR bstrText, VARIANT_BOOL* bEat) = 0;
};
__CRT_UUID_DECL(IDecalHooksEvents, 0xC869D9E1, 0x265D, 0x473E, 0xB3, 0x33, 0x04, 0x28, 0x4F, 0x64,
                0xFD, 0x8D)

// A server message as the host decoded it, or one of its sub-structures. A sub-structure stays
// valid while the receiver holds a reference to it.
// {A9D623E1-EC08-49F5-8038-DFEA5E91B8FD}
struct IDecalMessageMember : public IUnknown {
  // A field's value; fails when the message has no such field.
  STDMETHOD(get_Value)(BSTR name, VARIANT* value) = 0;
  // A field's bytes as they came over the wire, as a VT_ARRAY | VT_UI1 SAFEARRAY.
  STDMETHOD(get_RawValue)(BSTR name, VARIANT* bytes) = 0;
  // A sub-structure by name, or the element at a 0-based index of an array-like one.
  STDMETHOD(get_Struct)(BSTR name, IDecalMessageMember** member) = 0;
  STDMETHOD(get_StructAt)(LONG index, IDecalMessageMember** member) = 0;
};
__CRT_UUID_DECL(IDecalMessageMember, 0xA9D623E1, 0xEC08, 0x49F5, 0x80, 0x38, 0xDF, 0xEA, 0x5E, 0x91,
                0xB8, 0xFD)

// A whole server message.
// {2B719C2B-C5C9-491F-BF93-683DC255693E}
struct IDecalMessage : public IDecalMessageMember {
  STDMETHOD(get_Type)(LONG* type) = 0;
};
__CRT_UUID_DECL(IDecalMessage, 0x2B719C2B, 0xC5C9, 0x491F, 0xBF, 0x93, 0x68, 0x3D, 0xC2, 0x55, 0x69,
                0x3E)

// The EchoFilter2 network filter: every message the game server sends.
// {6E9D0654-11BC-41FC-A85F-9E8C29ED7BB5}
struct IDecalEchoFilter2 : public IDecalEventSource {};
__CRT_UUID_DECL(IDecalEchoFilter2, 0x6E9D0654, 0x11BC, 0x41FC, 0xA8, 0x5F, 0x9E, 0x8C, 0x29, 0xED,
                0x7B, 0xB5)

// Events of IDecalEchoFilter2.
// {96AC9A75-A108-49A1-9268-DE2D5D9D9CFC}
struct IDecalEchoFilter2Events : public IUnknown {
  STDMETHOD(EchoServer)(IDecalMessage* pMsg) = 0;
};
__CRT_UUID_DECL(IDecalEchoFilter2Events, 0x96AC9A75, 0xA108, 0x49A1, 0x92, 0x68, 0xDE, 0x2D, 0x5D,
                0x9D, 0x9C, 0xFC)

// The World filter: the objects the client knows of.
// {A7C29F74-D2FB-4EAC-A980-F917C7AD8CD3}
struct IDecalWorld : public IUnknown {
  // The object's name; *found is VARIANT_FALSE (and *name null) when there is no such object.
  STDMETHOD(ObjectName)(LONG id, VARIANT_BOOL* found, BSTR* name) = 0;
};
__CRT_UUID_DECL(IDecalWorld, 0xA7C29F74, 0xD2FB, 0x4EAC, 0xA9, 0x80, 0xF9, 0x17, 0xC7, 0xAD, 0x8C,
                0xD3)

// One allegiance record as the CharacterStats filter keeps it. The receiver frees name.
struct DecalAllegianceInfo {
  LONG guid;
  LONG gender;
  LONG leadership;
  LONG loyalty;
  BSTR name;
  LONG race;
  LONG rank;
  LONG treeParent;
  LONG xp;
};

// The CharacterStats filter: the logged-in character.
// {E63EABEC-9219-4215-B00B-A6FB2E02C104}
struct IDecalCharacterStats : public IDecalEventSource {
  STDMETHOD(get_CharacterId)(LONG* value) = 0;
  STDMETHOD(get_Name)(BSTR* value) = 0;
  STDMETHOD(get_Server)(BSTR* value) = 0;
  STDMETHOD(get_ServerPopulation)(LONG* value) = 0;
  // Seconds since 1 January 1970.
  STDMETHOD(get_Birth)(LONG* value) = 0;
  STDMETHOD(get_Age)(LONG* value) = 0;
  STDMETHOD(get_Deaths)(LONG* value) = 0;
  STDMETHOD(get_ClassTemplate)(BSTR* value) = 0;
  STDMETHOD(get_Gender)(BSTR* value) = 0;
  STDMETHOD(get_Race)(BSTR* value) = 0;
  STDMETHOD(get_Level)(LONG* value) = 0;
  STDMETHOD(get_Rank)(LONG* value) = 0;
  STDMETHOD(get_SkillPoints)(LONG* value) = 0;
  STDMETHOD(get_Followers)(LONG* value) = 0;
  STDMETHOD(get_VassalCount)(LONG* value) = 0;
  STDMETHOD(get_SkillCount)(LONG* value) = 0;
  // Lookups by a number the host does not know fail.
  STDMETHOD(get_Attribute)(LONG number, LONG* start, LONG* current) = 0;
  STDMETHOD(get_Vital)(LONG number, LONG* value) = 0;
  STDMETHOD(get_Skill)(LONG number, BSTR* name, LONG* state, LONG* value) = 0;
  // *present is VARIANT_FALSE (and *info zeroed) where the character has no such record.
  STDMETHOD(get_Monarch)(VARIANT_BOOL* present, DecalAllegianceInfo* info) = 0;
  STDMETHOD(get_Patron)(VARIANT_BOOL* present, DecalAllegianceInfo* info) = 0;
  STDMETHOD(get_Self)(VARIANT_BOOL* present, DecalAllegianceInfo* info) = 0;
  STDMETHOD(get_Vassal)(LONG index, DecalAllegianceInfo* info) = 0;
};
__CRT_UUID_DECL(IDecalCharacterStats, 0xE63EABEC, 0x9219, 0x4215, 0xB0, 0x0B, 0xA6, 0xFB, 0x2E,
                0x02, 0xC1, 0x04)

// Events of IDecalCharacterStats.
// {5B6AD944-E7BD-4858-953A-D67837CE25FC}
struct IDecalCharacterStatsEvents : public IUnknown {
  STDMETHOD(LoginComplete)() = 0;
  STDMETHOD(Logoff)(LONG pType) = 0;
};
__CRT_UUID_DECL(IDecalCharacterStatsEvents, 0x5B6AD944, 0xE7BD, 0x4858, 0x95, 0x3A, 0xD6, 0x78,
                0x37, 0xCE, 0x25, 0xFC)

// A repeating timer that ticks on the user-interface thread; no tick arrives after Stop or the
// last Release.
// {39A3B983-AE06-46BD-B113-8C40A2318327}
struct IDecalTimer : public IDecalEventSource {
  STDMETHOD(Start)(LONG intervalMs) = 0;
  STDMETHOD(Stop)() = 0;
  STDMETHOD(get_Running)(VARIANT_BOOL* running) = 0;
};
__CRT_UUID_DECL(IDecalTimer, 0x39A3B983, 0xAE06, 0x46BD, 0xB1, 0x13, 0x8C, 0x40, 0xA2, 0x31, 0x83,
                0x27)

// Events of IDecalTimer.
// {A41D98D2-91BF-424B-A774-BBA823A01C82}
struct IDecalTimerEvents : public IUnknown {
  STDMETHOD(Timeout)(IDecalTimer* Source) = 0;
};
__CRT_UUID_DECL(IDecalTimerEvents, 0xA41D98D2, 0x91BF, 0x424B, 0xA7, 0x74, 0xBB, 0xA8, 0x23, 0xA0,
                0x1C, 0x82)

// The second plug-in site interface: loads views and makes timers.
// {E4FE0056-845D-47B8-A497-1092E6FA95F4}
struct IDecalPluginSite2 : public IUnknown {
  // Builds a view from its XML text; fails when the text is refused.
  STDMETHOD(LoadView)(BSTR xml, IDecalView** view) = 0;
  STDMETHOD(CreateTimer)(IDecalTimer** timer) = 0;
};
__CRT_UUID_DECL(IDecalPluginSite2, 0xE4FE0056, 0x845D, 0x47B8, 0xA4, 0x97, 0x10, 0x92, 0xE6, 0xFA,
                0x95, 0xF4)

// The site the host hands to the plug-in when it starts it.
// {33E12E24-60C8-4080-9E4D-3F4049231879}
struct IDecalPluginSite : public IUnknown {
  STDMETHOD(GetPluginSite2)(IDecalPluginSite2** site) = 0;
  STDMETHOD(GetHooks)(IDecalHooks** hooks) = 0;
  // The running service object at a path such as
  // "services\\DecalNet.NetService\\DecalFilters.World": it answers IDecalEchoFilter2,
  // IDecalWorld or IDecalCharacterStats to QueryInterface.
  STDMETHOD(ObjectByPath)(BSTR path, IUnknown** object) = 0;
};
__CRT_UUID_DECL(IDecalPluginSite, 0x33E12E24, 0x60C8, 0x4080, 0x9E, 0x4D, 0x3F, 0x40, 0x49, 0x23,
                0x18, 0x79)

// The plug-in as the host starts and stops it; implemented by the class OstravelMain.
// {EA722612-26E8-4727-B6B2-5384CF345EE2}
struct IPlugin2 : public IUnknown {
  STDMETHOD(Initialize)(IDecalPluginSite* site) = 0;
  STDMETHOD(Terminate)() = 0;
};
__CRT_UUID_DECL(IPlugin2, 0xEA722612, 0x26E8, 0x4727, 0xB6, 0xB2, 0x53, 0x84, 0xCF, 0x34, 0x5E,
                0xE2)
