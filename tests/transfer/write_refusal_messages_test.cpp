// The messages that refuse a write, built from their fixed pieces.
#include "transfer/write_refusal_messages.h"

#include <gtest/gtest.h>

#include "model/parameter_set.h"

namespace klv {
namespace {

TEST(WriteRefusalMessages, Klv40OptionsListEveryOptionOfTheDevice) {
  EXPECT_EQ(Klv40OptionsMessage(kOptionDigitalOutput | kOptionAnalogOutput, Language::English),
            "< Optional information differs >            \n"
            "\n  Optional information of connected device\n"
            "\n    Analog input\t :  OFF"
            "\n    Alarm output 2\t :  OFF"
            "\n    Digital control output\t :   ON"
            "\n    Analog output\t :   ON"
            "\n\nConfirm screen setting");
  EXPECT_EQ(Klv40OptionsMessage(kOptionAnalogInput | kOptionAnalogOutput, Language::Japanese),
            "< オプション情報が異なります >            \n"
            "\n  接続機器のオプション情報\n"
            "\n    アナログ入力\t :   ON"
            "\n    警報出力2\t :  OFF"
            "\n    デジタル制御出力\t :  OFF"
            "\n    アナログ出力\t :   ON"
            "\n\n画面の設定を確認してください");
}

TEST(WriteRefusalMessages, SeriesOneOptionIsTheCurrentDetection) {
  EXPECT_EQ(SeriesOneOptionsMessage(0, Language::English),
            "< Optional information differs >            \n"
            "\n  Optional information of connected device\n"
            "\n    Output current detection function :  OFF"
            "\n\nConfirm screen setting");
  EXPECT_EQ(SeriesOneOptionsMessage(1, Language::Japanese),
            "< オプション情報が異なります >            \n"
            "\n  接続機器のオプション情報\n"
            "\n    出力電流検出機能 :   ON"
            "\n\n画面の設定を確認してください");
}

TEST(WriteRefusalMessages, ControlInputNamesTheDeviceInputAndItsRanges) {
  const std::string current =
      "< Control input type differs >            \n"
      "\n  Control input type of connected device\n"
      "\nCurrent input ( 4-20mA, 0-20mA )"
      "\n\nConfirm screen setting";
  EXPECT_EQ(ControlInputMessage(4, Language::English), current);
  // Every other type is a voltage input.
  for (const int16_t type : {0, 3, 5, -1}) {
    EXPECT_EQ(ControlInputMessage(type, Language::English),
              "< Control input type differs >            \n"
              "\n  Control input type of connected device\n"
              "\nVoltage input ( 0-1V, 1-5V, 0-10V, Pot, Con, Puls )"
              "\n\nConfirm screen setting")
        << type;
  }
  EXPECT_EQ(ControlInputMessage(0, Language::Japanese),
            "< 制御入力の種類が異なります >            \n"
            "\n  接続機器の制御入力種類\n"
            "\n電圧入力 ( 0-1V, 1-5V, 0-10V, Pot, Con, Puls )"
            "\n\n画面の設定を確認してください");
}

}  // namespace
}  // namespace klv
