// The study report page's plots (Chart.js), its sortable table of evaluations and its refresh
// while the study runs. The data is the JSON block "study-data" that taskrun writes with the page:
//   rows: [id, iteration, kind (0 design, 1 gradient, 2 step back, 3 other), status (0 feasible,
//          1 infeasible, 2 failed), objective, worst constraint, best feasible so far, [variables],
//          [responses], failure, earlier run (1) or this one (0), seconds, attempt (2... for a
//          transient failure run again)]
// The responses are the objective's output first (when there is an objective), then the
// constrained outputs.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('study-data').textContent);
  var colours = { feasible: '#1f5fbf', gradient: 'rgba(31,95,191,0.35)', infeasible: '#c0392b',
    infeasibleGradient: 'rgba(192,57,43,0.35)', failed: '#555555', best: '#1e8449' };
  var palette = ['#1f5fbf', '#d35400', '#27ae60', '#8e44ad', '#c0392b', '#16a085', '#2c3e50', '#b7950b',
    '#7f8c8d', '#e84393'];
  var ID = 0, ITERATION = 1, KIND = 2, STATUS = 3, OBJECTIVE = 4, WORST = 5, BEST = 6, VARIABLES = 7,
    RESPONSES = 8, REASON = 9, EARLIER = 10, SECONDS = 11, ATTEMPT = 12;
  var kindNames = ['design', 'gradient', 'step-back', '-'];
  function kindOf(row) { return kindNames[row[KIND]] + (row[ATTEMPT] > 1 ? ', attempt ' + row[ATTEMPT] : ''); }
  var storageKey = 'taskrun-report:' + location.pathname;

  function folder(id) { return 'eval-' + String(id).padStart(6, '0'); }
  function short(value) {
    if (value === null || value === undefined) return '-';
    var text = Number(value).toPrecision(6);
    return String(Number(text)) === text.replace(/\.?0+$/, '') ? String(Number(text)) : text;
  }
  function percent(fraction) {
    if (fraction === 0) return '0';
    var text = Number((100 * Math.abs(fraction)).toPrecision(3)).toString();
    return (fraction < 0 ? '\u2212' : '+') + text + ' %';
  }
  function describe(row) {
    var lines = [folder(row[ID]) + ' (' + kindOf(row) + ', iteration ' + row[ITERATION] + ')'];
    if (row[STATUS] === 2) return lines.concat(['failed: ' + row[REASON]]);
    if (row[OBJECTIVE] !== null) lines.push((data.objective || 'objective') + ' = ' + short(row[OBJECTIVE]));
    if (row[WORST] !== null) lines.push('worst constraint ' + percent(row[WORST]) + ' of its bound');
    lines.push(row[STATUS] === 0 ? 'feasible' : 'infeasible');
    return lines;
  }

  // A symmetric logarithmic scale: linear within `linearWithin` of zero, logarithmic beyond,
  // with ticks at zero and at the band's width times powers of ten.
  function symlogScale() {
    function transform(value, band) { return Math.sign(value) * Math.log10(1 + Math.abs(value) / band); }
    function inverse(value, band) { return Math.sign(value) * band * (Math.pow(10, Math.abs(value)) - 1); }
    class SymlogScale extends Chart.Scale {
      parse(raw, index) { return Chart.LinearScale.prototype.parse.call(this, raw, index); }
      determineDataLimits() {
        // Zero is always shown; the limits come from every point of the datasets on this axis.
        var min = 0, max = 0, id = this.id;
        this.chart.data.datasets.forEach(function (set) {
          if ((set.yAxisID || 'y') !== id) return;
          set.data.forEach(function (point) {
            if (point && isFinite(point.y)) { min = Math.min(min, point.y); max = Math.max(max, point.y); }
          });
        });
        this.min = min;
        this.max = max;
      }
      buildTicks() {
        var band = this.options.linearWithin;
        function decades(extreme) {
          var count = 0;
          while (count < 12 && band * Math.pow(10, count) < extreme * (1 - 1e-12)) count++;
          return count;
        }
        // The axis ends on the first tick beyond the data.
        var below = decades(-this.min), above = decades(this.max);
        var stride = below + above > 10 ? 2 : 1, ticks = [{ value: 0 }];
        var k;
        if (this.min < 0) {
          for (k = 0; ; k += stride) { ticks.unshift({ value: -band * Math.pow(10, k) }); if (k >= below) break; }
        }
        if (this.max > 0 || this.min >= 0) {
          for (k = 0; ; k += stride) { ticks.push({ value: band * Math.pow(10, k) }); if (k >= above) break; }
        }
        this.min = ticks[0].value;
        this.max = ticks[ticks.length - 1].value;
        // Beside zero the band's own ticks crowd the labels of a tall scale: their lines stay.
        this._crowded = below + above > 4;
        return ticks;
      }
      configure() {
        super.configure();
        this._low = transform(this.min, this.options.linearWithin);
        this._high = transform(this.max, this.options.linearWithin);
      }
      getLabelForValue(value) { return percent(value); }
      getPixelForTick(index) { return this.getPixelForValue(this.ticks[index].value); }
      getPixelForValue(value) {
        return this.getPixelForDecimal((transform(value, this.options.linearWithin) - this._low) / (this._high - this._low));
      }
      getValueForPixel(pixel) {
        var decimal = this.getDecimalForPixel(pixel);
        return inverse(this._low + decimal * (this._high - this._low), this.options.linearWithin);
      }
    }
    SymlogScale.id = 'symlog';
    SymlogScale.defaults = { linearWithin: 1e-3 };
    Chart.register(SymlogScale);
  }

  function axisTitle(text) { return { display: true, text: text, color: '#1d2330', font: { size: 12, weight: '600' } }; }
  function baseOptions(xTitle, yTitle) {
    return {
      animation: false, responsive: true, maintainAspectRatio: false, parsing: false, normalized: true,
      plugins: {
        legend: { position: 'top', align: 'end', labels: { usePointStyle: true, boxWidth: 8, font: { size: 11 } } },
        tooltip: { callbacks: { label: function (context) { return context.raw.row ? describe(context.raw.row) : context.dataset.label + ': ' + short(context.raw.y); } } }
      },
      scales: {
        x: { type: 'linear', grace: '3%', title: axisTitle(xTitle), ticks: { precision: 0 }, grid: { color: '#eef0f3' } },
        y: { type: 'linear', grace: '5%', title: axisTitle(yTitle), grid: { color: '#e5e8ec' } }
      }
    };
  }
  function points(rows, valueOf) {
    return rows.map(function (row) { return { x: row[ID], y: valueOf(row), row: row }; });
  }
  function pointSet(label, rows, valueOf, colour, shape) {
    // Gradient evaluations smaller and pale; the legend (no point) takes the design's look.
    var pale = shape === 'triangle' ? colours.infeasibleGradient : colours.gradient;
    function other(context) { return context.raw && context.raw.row && context.raw.row[KIND] !== 0; }
    return { type: 'scatter', label: label, data: points(rows, valueOf), pointStyle: shape, clip: false,
      backgroundColor: function (context) { return other(context) ? pale : colour; },
      borderColor: function (context) { return other(context) ? 'rgba(0,0,0,0)' : colour; },
      pointRadius: function (context) { return other(context) ? 2 : 3.5; }, pointHoverRadius: 6 };
  }
  function failedSet(rows) {
    // Failed evaluations have no value: crosses along the bottom edge, on an axis of their own.
    return { type: 'scatter', label: 'failed', yAxisID: 'yFailed', pointStyle: 'crossRot', pointRadius: 6, clip: false,
      borderWidth: 2, borderColor: colours.failed, backgroundColor: colours.failed,
      data: rows.map(function (row) { return { x: row[ID], y: 0.03, row: row }; }) };
  }
  function failedAxis() { return { type: 'linear', display: false, min: 0, max: 1 }; }
  var charts = {};
  function chart(id, config) {
    var canvas = document.getElementById(id);
    if (!canvas) return null;
    var made = new Chart(canvas, config);
    charts[id] = made;
    // What the plot shows, for readers of the page's text (and its tests).
    var summary = [];
    Object.keys(made.scales).forEach(function (key) {
      var scale = made.scales[key];
      if (!scale.options.display) return;
      summary.push(key + ' "' + (scale.options.title && scale.options.title.text || '') + '" ticks ' +
        scale.ticks.map(function (tick) { return tick.label; }).join(' | '));
    });
    made.data.datasets.forEach(function (set) { summary.push(set.label + ': ' + set.data.length); });
    canvas.setAttribute('aria-label', summary.join('; '));
    canvas.textContent = summary.join('; ');
    return made;
  }

  function plots() {
    symlogScale();
    Chart.defaults.font.family = '"DejaVu Sans", "Segoe UI", Arial, sans-serif';
    Chart.defaults.color = '#3b4452';
    var rows = data.rows;
    var ok = rows.filter(function (row) { return row[STATUS] !== 2; });
    var feasible = ok.filter(function (row) { return row[STATUS] === 0; });
    var infeasible = ok.filter(function (row) { return row[STATUS] === 1; });
    var failed = rows.filter(function (row) { return row[STATUS] === 2; });

    if (data.objective) {
      var options = baseOptions('evaluation (id)', data.objective);
      options.scales.yFailed = failedAxis();
      var best = rows.filter(function (row) { return row[BEST] !== null; })
        .map(function (row) { return { x: row[ID], y: row[BEST] }; });
      chart('objective-chart', { data: { datasets: [
        { type: 'line', label: 'best feasible so far', data: best, stepped: 'after', borderColor: colours.best,
          backgroundColor: colours.best, borderWidth: 2, pointRadius: 0, order: 0 },
        pointSet('feasible', feasible, function (row) { return row[OBJECTIVE]; }, colours.feasible, 'circle'),
        pointSet('infeasible', infeasible, function (row) { return row[OBJECTIVE]; }, colours.infeasible, 'triangle'),
        failedSet(failed)] }, options: options });
    }
    if (data.constraints) {
      var worst = baseOptions('evaluation (id)', 'worst constraint, % of its bound (> 0 violated)');
      worst.scales.y = { type: 'symlog', linearWithin: data.activeWithin, title: worst.scales.y.title,
        ticks: { callback: function (value) {
          return this._crowded && Math.abs(value) === data.activeWithin ? '' : percent(value);
        } },
        grid: { color: function (context) { return context.tick && context.tick.value === 0 ? '#c0392b' : '#e5e8ec'; },
          lineWidth: function (context) { return context.tick && context.tick.value === 0 ? 2 : 1; } } };
      worst.scales.yFailed = failedAxis();
      chart('constraint-chart', { data: { datasets: [
        pointSet('feasible', feasible, function (row) { return row[WORST]; }, colours.feasible, 'circle'),
        pointSet('infeasible', infeasible, function (row) { return row[WORST]; }, colours.infeasible, 'triangle'),
        failedSet(failed)] }, options: worst });
    }
    var samples = data.plan === 'doe';
    var designs = rows.filter(function (row) { return row[KIND] === 0 && row[ITERATION] > 0; });
    var variables = data.variables.map(function (name, v) {
      var colour = palette[v % palette.length];
      return { type: 'scatter', label: name, showLine: !samples, borderColor: colour, backgroundColor: colour,
        pointRadius: samples ? 3.5 : 2, borderWidth: 1.5,
        data: designs.map(function (row) { return { x: row[ITERATION], y: row[VARIABLES][v] }; })
          .sort(function (a, b) { return a.x - b.x; }) };
    });
    chart('variables-chart', { data: { datasets: variables },
      options: baseOptions(samples ? 'sample' : 'iteration', data.variables.length === 1 ? data.variables[0] : 'value') });

    var grid = document.getElementById('doe-charts');
    if (grid && samples) {
      data.responses.forEach(function (response, r) {
        data.variables.forEach(function (variable, v) {
          var box = document.createElement('div');
          box.className = 'chart';
          var canvas = document.createElement('canvas');
          canvas.id = 'doe-' + r + '-' + v;
          box.appendChild(canvas);
          grid.appendChild(box);
          function set(label, chosen, colour, shape) {
            return { type: 'scatter', label: label, pointStyle: shape, pointRadius: 3.5, backgroundColor: colour, clip: false,
              borderColor: colour, data: chosen.map(function (row) { return { x: row[VARIABLES][v], y: row[RESPONSES][r], row: row }; }) };
          }
          var options = baseOptions(variable, response);
          options.plugins.legend.display = false;
          options.plugins.title = { display: true, text: response + ' against ' + variable, font: { size: 12 } };
          options.scales.x.ticks = {};
          chart(canvas.id, { data: { datasets: [set('feasible', feasible, colours.feasible, 'circle'),
            set('infeasible', infeasible, colours.infeasible, 'triangle')] }, options: options });
        });
      });
    }
  }

  // The table of every evaluation, built from the rows; it sorts by a column when its heading
  // is clicked (again: the other way round).
  function table() {
    var element = document.getElementById('evaluations-table');
    if (!element) return null;
    var removed = {};
    (data.removed || []).forEach(function (id) { removed[id] = true; });
    var states = ['feasible', 'infeasible', 'failed'];
    var first = data.objective ? 1 : 0;
    var columns = [
      { title: 'Evaluation', text: true, cell: function (row, td) {
        // A folder the study's "keep" removed is named without a link.
        if (removed[row[ID]]) {
          td.textContent = folder(row[ID]);
        } else {
          var link = document.createElement('a');
          link.href = folder(row[ID]) + '/';
          link.textContent = folder(row[ID]);
          td.appendChild(link);
        }
        td.setAttribute('data-sort', row[ID]);
      } },
      { title: 'Iteration', value: function (row) { return row[ITERATION]; } },
      { title: 'Kind', text: true, value: function (row) { return kindOf(row); } },
      { title: 'Source', text: true, value: function (row) { return row[EARLIER] ? 'earlier' : 'ran'; } },
      { title: 'Status', text: true, cell: function (row, td) {
        var badge = document.createElement('span');
        badge.className = 'badge ' + states[row[STATUS]];
        badge.textContent = states[row[STATUS]];
        td.appendChild(badge);
      } }];
    if (data.objective) columns.push({ title: data.objective, value: function (row) { return short(row[OBJECTIVE]); } });
    if (data.constraints) {
      columns.push({ title: 'Worst constraint', value: function (row) { return row[WORST] === null ? '-' : percent(row[WORST]); } });
    }
    columns.push({ title: 'Seconds', value: function (row) { return row[EARLIER] ? '-' : row[SECONDS].toFixed(2); } });
    data.variables.forEach(function (name, v) {
      columns.push({ title: name, value: function (row) { return short(row[VARIABLES][v]); } });
    });
    data.responses.slice(first).forEach(function (name, r) {
      columns.push({ title: name, value: function (row) { return short(row[RESPONSES][r + first]); } });
    });
    columns.push({ title: 'Failure', text: true, reason: true, value: function (row) { return row[REASON]; } });

    var headRow = element.tHead.insertRow();
    columns.forEach(function (column) {
      var th = document.createElement('th');
      th.textContent = column.title;
      if (column.text) th.className = 'text';
      headRow.appendChild(th);
    });
    var body = element.tBodies[0];
    data.rows.forEach(function (row) {
      var tr = body.insertRow();
      tr.id = 'row-' + row[ID];
      tr.className = states[row[STATUS]] + (row[ID] === data.best ? ' best' : '');
      columns.forEach(function (column) {
        var td = tr.insertCell();
        if (column.reason) td.className = 'reason';
        else if (column.text) td.className = 'text';
        if (column.cell) column.cell(row, td);
        else td.textContent = column.value(row);
      });
    });
    return element;
  }

  function sortable(element) {
    if (!element) return;
    var headings = element.tHead.rows[0].cells;
    function key(cell) {
      var text = cell.getAttribute('data-sort') || cell.textContent.replace('\u2212', '-');
      var number = parseFloat(text);
      return isNaN(number) ? text : number;
    }
    function sortBy(column, descending) {
      var body = element.tBodies[0];
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = key(a.cells[column]), y = key(b.cells[column]);
        var empty = (x === '' || x === '-') - (y === '' || y === '-');
        if (empty) return empty;
        var order = typeof x === typeof y ? (x < y ? -1 : x > y ? 1 : 0) : (typeof x === 'number' ? -1 : 1);
        return descending ? -order : order;
      });
      rows.forEach(function (row) { body.appendChild(row); });
      Array.prototype.forEach.call(headings, function (heading, index) {
        if (index === column) heading.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
        else heading.removeAttribute('aria-sort');
      });
      try { sessionStorage.setItem(storageKey + ':sort', JSON.stringify([column, descending])); } catch (e) { /* private mode */ }
    }
    Array.prototype.forEach.call(headings, function (heading, index) {
      heading.addEventListener('click', function () {
        sortBy(index, heading.getAttribute('aria-sort') === 'ascending');
      });
    });
    try {
      var saved = JSON.parse(sessionStorage.getItem(storageKey + ':sort') || 'null');
      if (saved && saved[0] < headings.length) sortBy(saved[0], saved[1]);
    } catch (e) { /* nothing kept */ }
  }

  // While the study runs the page reloads itself, keeping where the reader was.
  function refresh() {
    try {
      var scroll = sessionStorage.getItem(storageKey + ':scroll');
      if (scroll) window.scrollTo(0, Number(scroll));
    } catch (e) { /* nothing kept */ }
    if (data.state !== 'running') return;
    setTimeout(function () {
      try { sessionStorage.setItem(storageKey + ':scroll', String(window.scrollY)); } catch (e) { /* private mode */ }
      location.reload();
    }, data.refreshSeconds * 1000);
  }

  try {
    plots();
  } catch (error) {
    var note = document.createElement('p');
    note.className = 'note';
    note.textContent = 'The plots could not be drawn: ' + error.message;
    document.querySelector('main').insertBefore(note, document.querySelector('main').firstChild);
  }
  sortable(table());
  refresh();
  document.body.setAttribute('data-drawn', Object.keys(charts).length);
})();
