-- Neovim as a user sets it up for workspaces (docs/editors.md): brevan lsp
-- for *.bws. Opens a broken workspace, waits for the diagnostics and checks
-- their places and messages, then the outline, a definition jump, a
-- rename, a completion, a quick fix and the folder's diagnostics.
-- Run: BREVAN=build/brevan WORKSPACE=FILE nvim --headless --clean -c "luafile THIS"
local failures = {}
local function check(condition, what)
  if not condition then table.insert(failures, what) end
end

local brevan = assert(os.getenv('BREVAN'), 'BREVAN names the tool')
local workspace = assert(os.getenv('WORKSPACE'), 'WORKSPACE names the file to open')

-- The setup of docs/editors.md.
vim.api.nvim_create_autocmd({ 'BufReadPost', 'BufNewFile' }, {
  pattern = '*.bws',
  callback = function(args)
    local client = vim.lsp.start_client({
      name = 'brevan',
      cmd = { brevan, 'lsp' },
      root_dir = vim.fn.fnamemodify(args.file, ':p:h'),
      init_options = { passedOver = false },
    })
    vim.lsp.buf_attach_client(args.buf, client)
  end,
})

vim.cmd('edit ' .. vim.fn.fnameescape(workspace))
local buffer = vim.api.nvim_get_current_buf()
local arrived = vim.wait(20000, function() return #vim.diagnostic.get(buffer) > 0 end, 50)
check(arrived, 'no diagnostics within 20 s')

-- Diagnostics: 0-based lines and columns, as Neovim holds them.
local errors, remarks = {}, {}
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  if d.severity == vim.diagnostic.severity.ERROR then table.insert(errors, d) end
  if d.severity == vim.diagnostic.severity.INFO then table.insert(remarks, d) end
end
check(#errors == 1, 'one error expected, got ' .. #errors)
if errors[1] then
  check(errors[1].lnum == 4 and errors[1].col == 14, ('error at %d:%d'):format(errors[1].lnum, errors[1].col))
  check(errors[1].message == 'XML node cannot be found: "Layer"', 'error message: ' .. errors[1].message)
end
check(#remarks == 1 and remarks[1].lnum == 2, 'one remark on line 3 expected')

local client = vim.lsp.get_active_clients()[1]
check(client ~= nil and client.name == 'brevan', 'the brevan client is attached')
if client then
  -- The outline.
  local answer = client.request_sync('textDocument/documentSymbol',
    { textDocument = vim.lsp.util.make_text_document_params(buffer) }, 10000, buffer)
  local symbols = answer and answer.result or {}
  local names = {}
  for _, symbol in ipairs(symbols) do table.insert(names, symbol.name) end
  -- The failed set-map statement made nothing, so it is not in the outline.
  check(table.concat(names, ',') == 'Roads,Map window 1,Map settings', 'outline: ' .. table.concat(names, ','))
  local window = symbols[2] or { children = {} }
  check(#window.children == 2 and window.children[2].name == 'Roads_2', 'the map window holds its two layers')
  local layer = window.children[1] or { children = {} }
  check(layer.children[1] and layer.children[1].name == 'Range theme', 'the theme stands under its layer')

  -- A definition jump: from the layer number of the theme to the table name that made the layer.
  vim.api.nvim_win_set_cursor(0, { 4, 6 })  -- 1-based line, 0-based column: "1" of "Theme 1"
  local params = vim.lsp.util.make_position_params()
  local found = client.request_sync('textDocument/definition', params, 10000, buffer)
  local location = found and found.result
  if location and location[1] then location = location[1] end
  check(location ~= nil and location.range ~= nil, 'a definition for layer 1')
  if location and location.range then
    vim.lsp.util.jump_to_location(location, client.offset_encoding or 'utf-16')
    local cursor = vim.api.nvim_win_get_cursor(0)
    check(cursor[1] == 2 and cursor[2] == 9, ('jumped to %d:%d, not 2:9'):format(cursor[1], cursor[2]))
  end

  -- A rename of the table alias there, applied as Neovim applies it.
  vim.api.nvim_win_set_cursor(0, { 2, 9 })
  local renaming = vim.lsp.util.make_position_params()
  renaming.newName = 'Streets'
  local renamed = client.request_sync('textDocument/rename', renaming, 10000, buffer)
  check(renamed and renamed.result, 'a rename of Roads')
  if renamed and renamed.result then
    vim.lsp.util.apply_workspace_edit(renamed.result, client.offset_encoding or 'utf-16')
    local lines = vim.api.nvim_buf_get_lines(buffer, 0, 2, false)
    check(lines[1] == 'Open Table "data/roads.tbl" As Streets', 'renamed: ' .. lines[1])
    check(lines[2] == 'Map From Streets, Streets', 'renamed: ' .. lines[2])
  end

  -- Completion on a new last line: the statements; "Theme" accepted.
  local count = vim.api.nvim_buf_line_count(buffer)
  vim.api.nvim_buf_set_lines(buffer, count, count, false, { '' })
  vim.api.nvim_win_set_cursor(0, { count + 1, 0 })
  local completed = client.request_sync('textDocument/completion', vim.lsp.util.make_position_params(), 10000, buffer)
  local items = completed and completed.result or {}
  if items.items then items = items.items end
  local chosen
  for _, item in ipairs(items) do
    if item.label == 'Theme' then chosen = item end
  end
  check(chosen ~= nil, 'completion offers the Theme statement')
  if chosen then
    vim.api.nvim_buf_set_text(buffer, count, 0, count, 0, { chosen.insertText or chosen.label })
    local line = vim.api.nvim_buf_get_lines(buffer, count, count + 1, false)[1]
    check(line == 'Theme ', 'accepted: ' .. line)
  end

  -- A quick fix for the error: layer 4 of a window of two becomes layer 2.
  local fixing = {
    textDocument = vim.lsp.util.make_text_document_params(buffer),
    range = { start = { line = 4, character = 14 }, ['end'] = { line = 4, character = 15 } },
    context = { diagnostics = {} },
  }
  local fixed = client.request_sync('textDocument/codeAction', fixing, 10000, buffer)
  local actions = fixed and fixed.result or {}
  check(#actions == 1, 'one quick fix for layer 4, got ' .. #actions)
  if actions[1] and actions[1].edit then
    vim.lsp.util.apply_workspace_edit(actions[1].edit, client.offset_encoding or 'utf-16')
    local line = vim.api.nvim_buf_get_lines(buffer, 4, 5, false)[1]
    check(line == 'Set Map Layer 2 Nodes', 'fixed: ' .. line)
  end

  -- The diagnostics of every workspace in the folder opened, pulled.
  local pulled = client.request_sync('workspace/diagnostic', { previousResultIds = {} }, 10000, buffer)
  local reports = pulled and pulled.result and pulled.result.items or {}
  local listed = {}
  for _, report in ipairs(reports) do table.insert(listed, vim.fn.fnamemodify(vim.uri_to_fname(report.uri), ':t')) end
  table.sort(listed)
  check(table.concat(listed, ',') == 'broken.bws,other.bws', 'folder diagnostics for ' .. table.concat(listed, ','))
end

if #failures > 0 then
  io.stderr:write('Neovim test failed:\n  ' .. table.concat(failures, '\n  ') .. '\n')
  vim.cmd('cquit 1')
else
  io.stderr:write('Neovim: diagnostics, outline, definition, rename, completion, quick fix and folder diagnostics as expected\n')
  vim.cmd('qall!')
end
