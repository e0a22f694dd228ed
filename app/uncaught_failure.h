#pragma once

class TMessagePresenter;
struct TMessageBoxRequest;

// Shows `request` and swallows whatever the presenter throws: used where
// nothing is left to report a failure with.
void ShowSafely(TMessagePresenter& presenter, const TMessageBoxRequest& request);

// Shows the exception being handled with its own text in an error box, as the
// application does for a failure that no handler of its own caught. Call only
// from inside a catch block. Never throws.
void ShowUncaught(TMessagePresenter& presenter);
