#pragma once
// What report.html carries inside itself, built into taskrun from the files in
// taskrun/report_page/ and Debian's libjs-chart.js (chart.min.js, MIT licence) by
// cmake/embed_text.cmake, so that the page needs no network and no file beside it.

namespace taskrun::report_page {

extern const char kStyle[];    // report_page/report.css
extern const char kScript[];   // report_page/report.js
extern const char kChartJs[];  // Chart.js, minified

}  // namespace taskrun::report_page
