#include "skin/engine/SkinStrings.h"

#include <gtest/gtest.h>

#include "skin/engine/SkinData.h"

namespace {

TEST(SkinStrings, DefaultTableHasEveryLineAndLooksUpIgnoringCase) {
  TspResourceStrData strings(nullptr);
  EXPECT_EQ(strings.ResStrings()->Count(), 121);
  EXPECT_EQ(SkinDefaultResStringCount, 121);
  EXPECT_EQ(strings.CharSet, 1);
  EXPECT_EQ(strings.GetResStr("msg_btn_ok"), "OK");
  EXPECT_EQ(strings.GetResStr("FLV_LOOKIN"), "Look in: ");
  EXPECT_EQ(strings.GetResStr("CUSTOMCOLOR"), "Custom...");
  EXPECT_EQ(strings.GetResStr("MI_ROLLUPCAPTION"), "Ro&llUp");
  EXPECT_EQ(strings.GetResStr("NO_SUCH_KEY"), "");
}

TEST(SkinStrings, FirstLineWinsAndTextMayHoldEquals) {
  TspResourceStrData strings(nullptr);
  TStringList lines;
  lines.Add("no separator here");
  lines.Add("MSG_BTN_OK=O=K");
  lines.Add("msg_btn_ok=second");
  strings.SetResStrings(&lines);
  EXPECT_EQ(strings.GetResStr("MSG_BTN_OK"), "O=K");
  EXPECT_EQ(strings.GetResStr("no separator here"), "");
  EXPECT_EQ(strings.GetResStr("MSG_BTN_CANCEL"), "");  // no fall-back to the defaults
  TStringList empty;
  strings.SetResStrings(&empty);
  EXPECT_EQ(strings.GetResStr("MSG_BTN_OK"), "");
}

TEST(SkinStrings, SkinDataTextComesFromComponentOrBuiltIns) {
  TspSkinData data(nullptr);
  EXPECT_EQ(GetSkinResStr(&data, "MI_CLOSECAPTION"), "关闭(&C)");
  EXPECT_EQ(GetSkinResStr(&data, "MSG_BTN_OK"), "确定");
  EXPECT_EQ(GetSkinResStr(nullptr, "MSG_BTN_CANCEL"), "取消");
  EXPECT_EQ(GetSkinResStr(&data, "EDIT_COPY"), "Copy");
  TspResourceStrData strings(nullptr);
  TStringList lines;
  lines.Add("EDIT_COPY=复制");
  strings.SetResStrings(&lines);
  data.SetResourceStrData(&strings);
  EXPECT_EQ(GetSkinResStr(&data, "EDIT_COPY"), "复制");
  EXPECT_EQ(GetSkinResStr(&data, "MSG_BTN_OK"), "");
  data.SetResourceStrData(nullptr);
}

}  // namespace
