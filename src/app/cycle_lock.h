#pragma once
// Locks a property panel while a check cycle runs: text stays readable, selectable and
// scrollable (boxes become read-only), lists and grids scroll but do not edit, and buttons,
// ticks and choices are switched off. Unlocking gives every widget back its own state.
// UI thread only.

class QWidget;

namespace tidewell::app {

void lockForCycle(QWidget* panel, bool locked);

}  // namespace tidewell::app
