Form frmTest {
  Caption: "Test window" Left: 600 Top: 600 Width: 6000 Height: 4200 KeyPreview: true
  Frame fraPage(0) {
    Left: 0 Top: 0 Width: 6000 Height: 3000 BorderStyle: 0
    TextBox txtName { Left: 120 Top: 120 Width: 2400 Height: 315 }
    TextBox txtNotes { MultiLine: true ScrollBars: 3 Left: 120 Top: 480 Width: 2400 Height: 900 }
    ListView lvwItems {
      Checkboxes: true View: 3 HideColumnHeaders: true Left: 2640 Top: 120 Width: 3000 Height: 1500
    }
    ComboBox cboKind { Style: 2 Left: 120 Top: 1500 Width: 2400 Height: 315 }
    CheckBox chkFlag { Caption: "&Flag" Left: 120 Top: 1900 Width: 1500 Height: 255 }
    OptionButton optA { Caption: "Option &A" Value: true Left: 120 Top: 2200 Width: 1500 Height: 255 }
    OptionButton optB { Caption: "Option &B" Left: 1800 Top: 2200 Width: 1500 Height: 255 }
    Label lblInfo { Caption: "Fish && chips" Left: 2640 Top: 1700 Width: 3000 Height: 255 }
    Image imgArt { Left: 3600 Top: 2100 Width: 600 Height: 400 }
  }
  Frame fraPage(1) {
    Caption: "Second page" Left: -10000 Top: 0 Width: 6000 Height: 3000
    CommandButton cmdHidden { Caption: "&Hidden" Left: 120 Top: 120 Width: 1200 Height: 375 }
  }
  CommandButton cmdNext { Caption: "&Next" Left: 3000 Top: 3200 Width: 1200 Height: 375 }
  CommandButton cmdCancel { Caption: "Cancel" Cancel: true Left: 4320 Top: 3200 Width: 1200 Height: 375 }
}
