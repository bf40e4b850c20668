#pragma once

// Red eats Green eats Blue eats Red: in force whenever no rules file declares a colour.
void loadBuiltinRules();
