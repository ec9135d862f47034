#pragma once
// Small rules that shape decoded records.

#include <cstdint>
#include <string>
#include <vector>

// Group conversations (type 3) list every member; any other conversation keeps only the first
// member that is not the signed-in user (`myQxid`, compared without regard to case), and its uids
// text becomes that member. With no such member the list is empty and the text stays.
std::vector<std::string> SplitMemberIds(std::string& uids, std::int32_t type,
                                        const std::string& myQxid);

// An empty text of a card message (types 100 to 105) becomes the card's label.
void SummaryTextForType(std::string& text, std::int32_t type);

// Three emoji that older clients cannot show become the emoticon codes of the conversation page.
void ReplaceEmoji(std::string& text);
