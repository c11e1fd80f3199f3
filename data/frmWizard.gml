# The design of the wizard form frmWizard, read by the forms runtime and built into the component.
#
# Format: one block per control, nested inside its container, in form order:
#     Type name { Property: value ... }      or      Type name(index) { ... } for a control array
# Values: "text" (escapes \" \\ \n \r \t), whole numbers, true, false, or ["a", "b"] lists.
# Positions and sizes are in twips (1440 to the inch, 15 to a pixel at 96 DPI), relative to the
# container. Tag holds the string-table id of a control's caption; the load handler replaces it.
# A "#" starts a comment outside a text.
#
# Layout (client area 7380 x 4980): the side panel on the left, the page area at the right with
# the seven pages stacked in it (the one shown at left 0, the others at -10000), the branding and
# the button bar along the bottom.

Form frmWizard {
    Caption: "Lumora"
    Left: 1800
    Top: 1200
    Width: 7500
    Height: 5400
    KeyPreview: true

    Frame fraImage {
        Left: 0
        Top: 0
        Width: 2100
        Height: 4380
        BorderStyle: 0

        Image imgSidePanel {
            Left: 0
            Top: 0
            Width: 2100
            Height: 4380
            Stretch: true
        }
    }

    Frame fraPageArea {
        Left: 2100
        Top: 0
        Width: 5280
        Height: 4380
        BorderStyle: 0

        # Step 1: driver selection.
        Frame fraStep(0) {
            Tag: "1000"
            HelpContextID: 0
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false

            Label lblStep(0) {
                Tag: "1001"
                Left: 240
                Top: 240
                Width: 4800
                Height: 600
                TabIndex: 0
            }
            Label lblDrivers {
                Tag: "1002"
                Left: 240
                Top: 960
                Width: 4800
                Height: 240
                TabIndex: 1
            }
            ListView lvwDrivers {
                Left: 240
                Top: 1230
                Width: 4800
                Height: 1800
                Checkboxes: true
                View: 3
                HideColumnHeaders: true
                TabIndex: 2
            }
            Label lblDTDBDrv {
                Tag: "1004"
                Left: 240
                Top: 3150
                Width: 2400
                Height: 240
                TabIndex: 3
            }
            ComboBox cboProvidedDrivers {
                Style: 2
                Left: 240
                Top: 3420
                Width: 3000
                Height: 315
                TabIndex: 4
            }
            CommandButton cmdDrvAdv {
                Tag: "1003"
                Left: 3600
                Top: 3390
                Width: 1440
                Height: 375
                Enabled: false
                TabIndex: 5
            }
        }

        # Advanced driver attributes.
        Frame fraStep(1) {
            Tag: "2000"
            HelpContextID: 1
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false

            Label lblStep(1) {
                Tag: "2001"
                Left: 240
                Top: 240
                Width: 4800
                Height: 600
                TabIndex: 0
            }
            ComboBox cboDrivers {
                Style: 2
                Left: 240
                Top: 900
                Width: 4800
                Height: 315
                TabIndex: 1
            }
            TextBox txtDrvAttrib {
                MultiLine: true
                ScrollBars: 3
                Left: 240
                Top: 1290
                Width: 4800
                Height: 1860
                TabIndex: 2
            }
            Frame fraLine1 {
                Left: 240
                Top: 3270
                Width: 4800
                Height: 30
                TabIndex: 3
            }
            Label lblNewDriver {
                Tag: "2003"
                Left: 240
                Top: 3420
                Width: 4800
                Height: 240
                TabIndex: 4
            }
            TextBox txtNewDriver {
                Left: 240
                Top: 3690
                Width: 3480
                Height: 315
                TabIndex: 5
            }
            CommandButton cmdAddDrv {
                Tag: "2002"
                Left: 3840
                Top: 3660
                Width: 1200
                Height: 375
                Enabled: false
                TabIndex: 6
            }
        }

        # Driver files: part of the array, never shown.
        Frame fraStep(2) {
            HelpContextID: 2
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false
        }

        # Step 2: data-source selection.
        Frame fraStep(3) {
            Tag: "4000"
            HelpContextID: 3
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false

            Label lblStep(3) {
                Tag: "4001"
                Left: 240
                Top: 240
                Width: 4800
                Height: 600
                TabIndex: 0
            }
            Label lblDSNs {
                Tag: "4004"
                Left: 240
                Top: 960
                Width: 4800
                Height: 240
                TabIndex: 1
            }
            ListView lvwDSNs {
                Left: 240
                Top: 1230
                Width: 4800
                Height: 1800
                Checkboxes: true
                View: 3
                HideColumnHeaders: true
                TabIndex: 2
            }
            CommandButton cmdDSNAdv {
                Tag: "4005"
                Left: 3600
                Top: 3390
                Width: 1440
                Height: 375
                Enabled: false
                TabIndex: 3
            }
        }

        # Advanced data-source attributes.
        Frame fraStep(4) {
            Tag: "5000"
            HelpContextID: 4
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false

            Label lblStep(4) {
                Tag: "5001"
                Left: 240
                Top: 240
                Width: 4800
                Height: 600
                TabIndex: 0
            }
            ComboBox cboDSNs {
                Style: 2
                Left: 240
                Top: 900
                Width: 4800
                Height: 315
                TabIndex: 1
            }
            TextBox txtDSNAttrib {
                MultiLine: true
                ScrollBars: 3
                Left: 240
                Top: 1290
                Width: 4800
                Height: 1380
                TabIndex: 2
            }
            OptionButton optUserDSN {
                Tag: "5003"
                Value: true
                Left: 240
                Top: 2760
                Width: 1500
                Height: 255
                TabIndex: 3
            }
            OptionButton optSystemDSN {
                Tag: "5004"
                Left: 1860
                Top: 2760
                Width: 1500
                Height: 255
                TabIndex: 4
            }
            CheckBox chkUninstDSN {
                Tag: "5010"
                Left: 240
                Top: 3030
                Width: 4800
                Height: 255
                TabIndex: 5
            }
            Frame fraLine2 {
                Left: 240
                Top: 3360
                Width: 4800
                Height: 30
                TabIndex: 6
            }
            Label lblNewDSN {
                Tag: "5006"
                Left: 240
                Top: 3450
                Width: 4800
                Height: 240
                TabIndex: 7
            }
            TextBox txtNewDSN {
                Left: 240
                Top: 3720
                Width: 3480
                Height: 315
                TabIndex: 8
            }
            CommandButton cmdAddDSN {
                Tag: "5005"
                Left: 3840
                Top: 3690
                Width: 1200
                Height: 375
                Enabled: false
                TabIndex: 9
            }
            # Tries the data source shown with the lines now in the box, unsaved edits included.
            CommandButton cmdDSNTest {
                Caption: "&Test"
                Left: 3840
                Top: 2700
                Width: 1200
                Height: 315
                TabIndex: 10
            }
        }

        # Data-source files: part of the array, never shown.
        Frame fraStep(5) {
            HelpContextID: 5
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false
        }

        # Step 3: summary.
        Frame fraStep(6) {
            Tag: "7000"
            HelpContextID: 6
            Left: 0
            Top: 0
            Width: 5280
            Height: 4380
            BorderStyle: 0
            Enabled: false

            Label lblStep(5) {
                Tag: "7001"
                Left: 240
                Top: 240
                Width: 4800
                Height: 900
                TabIndex: 0
            }
            TextBox txtSummary {
                MultiLine: true
                ScrollBars: 3
                Locked: true
                Left: 240
                Top: 1260
                Width: 4800
                Height: 2880
                TabIndex: 1
            }
        }
    }

    Frame fraBranding {
        Left: 0
        Top: 4380
        Width: 2100
        Height: 600
        BorderStyle: 0

        # The two branding labels lie one over the other (the classic embossed mark; with the
        # form's font on both they read as one).
        Label lblBranding(0) {
            Caption: "Brevant"
            FontBold: true
            Left: 120
            Top: 180
            Width: 1860
            Height: 225
        }
        Label lblBranding(1) {
            Caption: "Brevant"
            Left: 120
            Top: 180
            Width: 1860
            Height: 225
        }
    }

    PictureBox picNav {
        Left: 2100
        Top: 4380
        Width: 5280
        Height: 600
        TabIndex: 20

        CommandButton cmdNav(0) {
            Tag: "100"
            Left: 120
            Top: 120
            Width: 1020
            Height: 360
            TabIndex: 3
        }
        CommandButton cmdNav(2) {
            Tag: "102"
            Left: 1800
            Top: 120
            Width: 1020
            Height: 360
            TabIndex: 0
            Enabled: false  # there is no page before step 1
        }
        CommandButton cmdNav(3) {
            Tag: "103"
            Left: 2880
            Top: 120
            Width: 1020
            Height: 360
            TabIndex: 1
        }
        CommandButton cmdNav(1) {
            Tag: "101"
            Cancel: true
            Left: 4080
            Top: 120
            Width: 1020
            Height: 360
            TabIndex: 2
        }
    }

    CommonDialog dlgCommon {
    }

    ImageList ImageList1 {
        ListImages: ["user_dsn", "system_dsn"]
    }
}
