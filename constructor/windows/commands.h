#pragma once
// The Navigator's commands, posted to it as numbered user events by the
// menus, the tool bar and the console, so that a command never starts
// inside another one's message box.
namespace constructor {

enum Command : int {
  NewTest = 1030,
  OpenScenario,
  TrialRun,
  DeleteTest,
  RenameTest,
  PrintTest,
  Synopsis,
  NewStandardFrame,
  NewObjectFrame,
  OpenFrame,
  DeleteFrames,
  Renumber,
  MoveFirst,
  MoveUp,
  MoveDown,
  MoveLast,
  CopyFrames,
  MoveFrames,
  FilterFrames,
  SortByCode,
  SortByVariant,
  SortBySection,
  SortByType,
  FlipDirection,
  RefreshList,
  TagAll,
  UntagAll,
  FlipTags,
  SortByLevel,
};

}  // namespace constructor
