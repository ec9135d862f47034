#pragma once
// The pinyin converter of the component registry (number 142). Its modes differ from
// ToPinyin's: 1 gives initials, 2 gives each syllable followed by ",", any other mode whole
// syllables. The result stays in the component until its next call.

#include <string>
#include <string_view>

#include "util/component_registry.h"

class IChineseToPinyin : public IKesPlugin {
  public:
    virtual const std::u16string& Convert(std::u16string_view text, int mode) = 0;
};

class CChineseToPinyin : public CKesPluginBase<CChineseToPinyin, 142, IChineseToPinyin> {
  public:
    enum Mode : int { kInitials = 1, kSyllablesWithCommas = 2 };

    const std::u16string& Convert(std::u16string_view text, int mode) override;

  private:
    std::u16string result_;
};

// The table that registers the components of this folder.
extern const ComponentRecord kPinyinComponentTable[];
