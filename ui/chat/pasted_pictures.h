#pragma once
// Pictures pasted into an input box. The send path reads pictures from files, so each pasted
// picture becomes a file of its own, private to the user: mode 0600, in the folder "Pasted" of the
// data folder (0700). The file is needed while something names it: an input box, a draft, a send
// on its way, or a copy of a box on the clipboard. So:
//  - after a send of it that the service took, once the service's copy of the message has come
//    back and taken the place of the one shown from the file, the file goes unless a box, a draft
//    or the clipboard still names it (the same picture copied into another conversation);
//  - a send that fails keeps the file: the picture is back in the box, then in the draft;
//  - what is left over (a picture taken out of the box, a draft emptied, a send cancelled by
//    signing out and put back into its draft, a copy that did not come back in that session)
//    is dealt with at each sign-in, when no input box is open: the files that no draft of any
//    account of this data folder names go, the others stay.
// Earlier versions kept pasted pictures in the cache folder, open to others; that folder is made
// private (0700) at sign-in, and left otherwise: every data folder of the user (a demo's, a test's)
// shares it, and the drafts of only this one are known here.

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "storage/event_bus.h"

class PastedPictures final : private IDBEventListener {
  public:
    static PastedPictures& Instance();

    // The folder of pasted pictures, created private.
    static std::string Folder();
    // Keeps encoded picture bytes as a new pasted picture ("<random>.<extension>"). Its path, or
    // empty when it could not be written.
    static std::string Keep(const std::string& bytes, const std::string& extension);
    // True for a file of the pasted pictures' folder.
    static bool IsPasted(const std::string& path);

    // Asks the windows whether an input box or the clipboard names a picture.
    void SetHeldElsewhere(bool (*heldElsewhere)(const std::string& path)) {
        heldElsewhere_ = heldElsewhere;
    }
    // A send of the picture at `path` has started under `localNumber`.
    void Sending(std::int32_t localNumber, const std::string& path);
    // Sends of pasted pictures waiting for the service's copy.
    std::size_t Waiting() const { return sending_.size(); }
    // At sign-in: removes the pasted pictures that nothing names, and forgets the sends that
    // signing out cancelled.
    void RemoveUnreferenced();

  private:
    PastedPictures() = default;
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    // True when a send, a draft, a box or the clipboard names the picture; `drafts` holds the
    // pictures the drafts name.
    bool Held(const std::string& path, const std::set<std::string>& drafts) const;

    std::map<std::int32_t, std::string> sending_;
    bool (*heldElsewhere_)(const std::string&) = nullptr;
    bool subscribed_ = false;
};
