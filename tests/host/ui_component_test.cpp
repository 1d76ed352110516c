// The widget layer's ownership tree, natively: what an owner frees and in
// which order, who hears of a removal, and names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/component.h"

namespace {

// Logs its own destruction, BeforeDestruction and the removals it hears of.
class Logged : public TComponent {
 public:
  Logged(TComponent* owner, std::string name, std::vector<std::string>* log)
      : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Logged() override { log_->push_back("delete " + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove) log_->push_back(Name() + " hears " + c->Name() + " leave");
  }

 protected:
  void BeforeDestruction() override {
    log_->push_back("before " + Name() + " (owns " + std::to_string(ComponentCount()) + ")");
    TComponent::BeforeDestruction();
  }

 private:
  std::vector<std::string>* log_;
};

}  // namespace

TEST(UiComponent, FreeRunsBeforeDestructionWhileWholeThenFreesOwnedLastMadeFirst) {
  std::vector<std::string> log;
  auto* form = new Logged(nullptr, "Form1", &log);
  new Logged(form, "Timer1", &log);
  auto* menu = new Logged(form, "PopupMenu1", &log);
  new Logged(menu, "Nplay", &log);
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{
                     "before Form1 (owns 2)",
                     "before PopupMenu1 (owns 1)", "before Nplay (owns 0)", "delete Nplay",
                     "PopupMenu1 hears Nplay leave", "delete PopupMenu1",
                     "Form1 hears PopupMenu1 leave", "Timer1 hears PopupMenu1 leave",
                     "before Timer1 (owns 0)", "delete Timer1", "Form1 hears Timer1 leave",
                     "delete Form1"}));
}

TEST(UiComponent, SiblingsAndOwnerHearOfARemovalButNotTheOneLeaving) {
  std::vector<std::string> log;
  Logged owner(nullptr, "owner", &log);
  auto* a = new Logged(&owner, "a", &log);
  new Logged(&owner, "b", &log);
  new Logged(&owner, "c", &log);
  a->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"before a (owns 0)", "delete a", "owner hears a leave",
                                           "b hears a leave", "c hears a leave"}));
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.Components(0)->Name(), "b");
  log.clear();
  // A component deleted without Free still leaves its owner's list.
  delete owner.Components(1);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"delete c", "owner hears c leave", "b hears c leave"}));
}

TEST(UiComponent, FindComponentMatchesExactNamesOnlyAmongOwnedOnes) {
  std::vector<std::string> log;
  Logged owner(nullptr, "Form1", &log);
  auto* menu = new Logged(&owner, "PopupMenu1", &log);
  auto* item = new Logged(menu, "Nplay", &log);
  new Logged(&owner, "", &log);
  const struct {
    const char* name;
    TComponent* found;
  } cases[] = {
      {"PopupMenu1", menu}, {"popupmenu1", nullptr}, {"Nplay", nullptr},  // not owned directly
      {"", nullptr},        {"PopupMenu", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(owner.FindComponent(c.name), c.found) << c.name;
  EXPECT_EQ(menu->FindComponent("Nplay"), item);
  EXPECT_EQ(item->Owner(), menu);
}

TEST(UiComponent, DestroyingIsSetFromTheStartOfFreeAndASecondFreeDoesNothing) {
  struct Probe : TComponent {
    using TComponent::TComponent;
    bool* seen = nullptr;
    void BeforeDestruction() override {
      *seen = Destroying();
      Free();  // ignored: already going
      TComponent::BeforeDestruction();
    }
  };
  bool destroying = false;
  TComponent owner(nullptr);
  auto* p = new Probe(&owner);
  p->seen = &destroying;
  p->Free();
  EXPECT_TRUE(destroying);
  EXPECT_EQ(owner.ComponentCount(), 0);
}
